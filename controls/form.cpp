#include "form.h"

namespace controls {

namespace {

struct StateFlag
{
    FormState state;
    Qt::WindowState flag;
};

// Full screen counts as maximised; minimised wins over both.
constexpr StateFlag stateFlags[] = {
    {FormState::Minimized, Qt::WindowMinimized},
    {FormState::Maximized, Qt::WindowMaximized},
    {FormState::Maximized, Qt::WindowFullScreen},
};

} // namespace

FormState formStateOf(Qt::WindowStates states)
{
    for (const StateFlag &entry : stateFlags) {
        if (states.testFlag(entry.flag))
            return entry.state;
    }
    return FormState::Normal;
}

Qt::WindowStates windowStatesFor(Qt::WindowStates current, FormState state)
{
    current &= ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    for (const StateFlag &entry : stateFlags) {
        if (entry.state == state)
            return current | entry.flag;
    }
    return current;
}

} // namespace controls
