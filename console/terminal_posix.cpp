#include "terminal.h"

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

namespace terminal {

namespace {

// Writes all of it, across short writes and interruptions.
void writeAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        size -= std::size_t(written);
    }
}

[[noreturn]] void execute(const std::vector<std::string> &command)
{
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
pid_t start(const std::vector<std::string> &command, int master, int pipeEnd)
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
    execute(command);
}

} // namespace

std::vector<std::string> arguments(int argc, char *argv[])
{
    return {argv + 1, argv + argc};
}

Ending run(const std::vector<std::string> &command,
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
        child = start(command, output, -1);
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
        child = start(command, -1, ends[1]);
        close(ends[1]);
        output = ends[0];
    }

    char buffer[4096];
    pollfd fds[2] = {{output, POLLIN, 0}, {onTerminal ? 0 : -1, POLLIN, 0}};
    while (child > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            const ssize_t got = read(0, buffer, sizeof buffer);
            if (got > 0)
                writeAll(output, buffer, std::size_t(got));
            else
                fds[1].fd = -1;
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t got = read(output, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            // The end of the output (EIO from a terminal nobody holds any more).
            if (got <= 0)
                break;
            writeAll(1, buffer, std::size_t(got));
            onOutput(std::string_view(buffer, std::size_t(got)));
        }
    }
    if (onTerminal)
        tcsetattr(0, TCSANOW, &saved);
    close(output);

    int status = 0;
    while (child > 0 && waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    if (child < 0)
        return {false, 127};
    if (WIFSIGNALED(status))
        return {true, WTERMSIG(status)};
    return {false, WEXITSTATUS(status)};
}

void write(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void waitForEnter()
{
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
