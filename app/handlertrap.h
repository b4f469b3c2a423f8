#pragma once

#include "platform/services.h"
#include "rules/runtimeerror.h"

#include <exception>
#include <functional>
#include <new>
#include <utility>

namespace handler {

// Shows a run-time error that no handler trapped as Windows shows one: the
// stop icon, "Laufzeitfehler '71':" and the description below it. The
// pointer goes back to the default first.
void showUntrapped(platform::Services &services, const rules::RuntimeError &error);

// Runs an event handler. A run-time error that escapes it ends the handler
// there and is shown; the program goes on with its data as the handler left
// it. Every handler is connected through here: an exception must not leave a
// slot, since Qt's signal and event dispatch is not exception safe.
template<class Handler> void runHandler(platform::Services &services, Handler &&handler)
{
    try {
        std::invoke(std::forward<Handler>(handler));
    } catch (const rules::RuntimeError &error) {
        showUntrapped(services, error);
    } catch (const std::bad_alloc &) {
        showUntrapped(services, rules::RuntimeError(rules::RuntimeError::OutOfMemory));
    } catch (const std::exception &) {
        showUntrapped(services, rules::RuntimeError(rules::RuntimeError::InternalError));
    }
}

// The handler as a slot: it runs under the trap whenever the signal comes.
template<class Handler> auto trapped(platform::Services &services, Handler handler)
{
    return [&services, handler] {
        runHandler(services, handler);
    };
}

} // namespace handler
