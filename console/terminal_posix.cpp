#include "terminal.h"

#include "outputfilter.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace terminal {

namespace {

// Set by the handler of the signals that would end this program; read by
// run(), which then stops the archiver. The one state a handler may touch.
volatile sig_atomic_t pendingSignal = 0;

constexpr int heldSignals[] = {SIGINT, SIGHUP, SIGTERM, SIGQUIT};

void remember(int signal)
{
    pendingSignal = signal;
}

long long now()
{
    timespec at {};
    clock_gettime(CLOCK_MONOTONIC, &at);
    return at.tv_sec * 1'000'000'000LL + at.tv_nsec;
}

// Writes all of it, across short writes and interruptions; false when the
// other side is gone.
bool writeAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= std::size_t(written);
    }
    return true;
}

[[noreturn]] void execute(const std::vector<std::string> &command, const std::string &folder)
{
    // The archiver gets the signals as a program started afresh has them.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    if (!folder.empty() && chdir(folder.c_str()) != 0) {
        std::fprintf(stderr, "%s: %s\n", folder.c_str(), std::strerror(errno));
        _exit(127);
    }
    std::vector<char *> argv;
    for (const std::string &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    std::fprintf(stderr, "%s: %s\n", argv[0], std::strerror(errno));
    _exit(127);
}

// The child's side: the pseudo-terminal as its controlling terminal and
// standard streams, or a pipe for its output only.
pid_t start(const std::vector<std::string> &command, const std::string &folder, int master,
            int pipeEnd)
{
    const pid_t child = fork();
    if (child != 0)
        return child;
    if (master >= 0) {
        setsid();
        const int slave = open(ptsname(master), O_RDWR);
        if (slave < 0)
            _exit(127);
        ioctl(slave, TIOCSCTTY, 0);
        dup2(slave, 0);
        dup2(slave, 1);
        dup2(slave, 2);
        if (slave > 2)
            close(slave);
        close(master);
    } else {
        dup2(pipeEnd, 1);
        dup2(pipeEnd, 2);
    }
    execute(command, folder);
}

} // namespace

std::vector<std::string> arguments(int argc, char *argv[])
{
    return {argv + 1, argv + argc};
}

void holdInterruptions()
{
    // A vanished console must not kill us halfway through putting files back.
    signal(SIGPIPE, SIG_IGN);
    struct sigaction action
    {
    };
    action.sa_handler = remember;
    sigemptyset(&action.sa_mask);
    sigset_t held;
    sigemptyset(&held);
    for (const int number : heldSignals) {
        sigaction(number, &action, nullptr);
        sigaddset(&held, number);
    }
    // Delivered only while run() waits, where it can act on them.
    sigprocmask(SIG_BLOCK, &held, nullptr);
}

bool waitUntil(const std::function<bool()> &done)
{
    sigset_t held;
    sigemptyset(&held);
    for (const int number : heldSignals)
        sigaddset(&held, number);
    const timespec tick {0, 100'000'000};
    while (!done()) {
        if (sigtimedwait(&held, nullptr, &tick) > 0)
            return false;
    }
    return true;
}

Ending run(const std::vector<std::string> &command, const std::string &workingFolder,
           const std::function<void(std::string_view)> &onOutput)
{
    const bool onTerminal = isatty(0) && isatty(1);
    int output = -1; // what the child writes, read here
    pid_t child = -1;
    termios saved {};
    if (onTerminal) {
        output = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (output < 0 || grantpt(output) != 0 || unlockpt(output) != 0)
            return {false, 127};
        winsize size {};
        if (ioctl(1, TIOCGWINSZ, &size) == 0)
            ioctl(output, TIOCSWINSZ, &size);
        child = start(command, workingFolder, output, -1);
        // Keys go to the child's terminal as typed; its own line discipline
        // echoes them and turns Ctrl+C into a signal.
        tcgetattr(0, &saved);
        termios raw = saved;
        cfmakeraw(&raw);
        tcsetattr(0, TCSANOW, &raw);
    } else {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0)
            return {false, 127};
        child = start(command, workingFolder, -1, ends[1]);
        close(ends[1]);
        output = ends[0];
    }

    Ending ending;
    sigset_t waiting; // the signals held elsewhere come in here
    sigprocmask(SIG_SETMASK, nullptr, &waiting);
    for (const int number : heldSignals)
        sigdelset(&waiting, number);
    // Once the archiver was told to stop, it gets a few seconds to do so.
    constexpr long long grace = 3'000'000'000;
    long long deadline = 0; // in nanoseconds of the monotonic clock; 0 while not stopping
    const auto stop = [&](int signal) {
        ending.interrupted = true;
        kill(child, signal);
        if (deadline == 0)
            deadline = now() + grace;
    };

    char buffer[4096];
    OutputFilter filter;
    std::string shown;
    pollfd fds[2] = {{output, POLLIN, 0}, {onTerminal ? 0 : -1, POLLIN, 0}};
    while (child > 0) {
        timespec left {};
        if (const long long nanoseconds = deadline - now(); deadline != 0 && nanoseconds > 0)
            left = {time_t(nanoseconds / 1'000'000'000), long(nanoseconds % 1'000'000'000)};
        const int ready = ppoll(fds, 2, deadline != 0 ? &left : nullptr, &waiting);
        if (ready < 0 && errno == EINTR) {
            if (pendingSignal != 0) {
                ending.hungUp = ending.hungUp || pendingSignal == SIGHUP;
                stop(pendingSignal == SIGHUP ? SIGHUP : SIGTERM);
                pendingSignal = 0;
            }
            continue;
        }
        if (ready < 0)
            break;
        if (ready == 0) { // the grace is over
            kill(child, SIGKILL);
            deadline = 0;
            continue;
        }
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t got = read(0, buffer, sizeof buffer);
            if (got > 0) {
                writeAll(output, buffer, std::size_t(got));
            } else if (got == 0 || errno != EINTR) {
                // The console window was closed.
                fds[1].fd = -1;
                ending.hungUp = true;
                stop(SIGHUP);
            }
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t got = read(output, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            // The end of the output (EIO from a terminal nobody holds any more).
            if (got <= 0)
                break;
            // Seen here first: what the user answers to comes after it.
            onOutput(std::string_view(buffer, std::size_t(got)));
            shown.clear();
            filter.pass(std::string_view(buffer, std::size_t(got)), shown);
            if (!ending.hungUp && !writeAll(1, shown.data(), shown.size()) && onTerminal) {
                ending.hungUp = true;
                stop(SIGHUP);
            }
        }
    }
    if (onTerminal && !ending.hungUp)
        tcsetattr(0, TCSANOW, &saved);
    close(output);

    int status = 0;
    while (child > 0 && waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    if (child < 0)
        return {false, 127};
    ending.signalled = WIFSIGNALED(status);
    ending.code = ending.signalled ? WTERMSIG(status) : WEXITSTATUS(status);
    return ending;
}

void write(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

std::size_t columns()
{
    winsize size {};
    return ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

void waitForEnter()
{
    // Closing the window now ends this program, as before the run.
    sigset_t held;
    sigemptyset(&held);
    for (const int number : heldSignals) {
        signal(number, SIG_DFL);
        sigaddset(&held, number);
    }
    sigprocmask(SIG_UNBLOCK, &held, nullptr);
    if (isatty(0))
        tcflush(0, TCIFLUSH);
    char c = 0;
    while (true) {
        const ssize_t got = read(0, &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || c == '\n' || c == '\r')
            return;
    }
}

} // namespace terminal
