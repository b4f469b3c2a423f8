// Stands in for the terminal in the benchmarks. Called as
// "xterm OPTIONS... -e PROGRAM ARGS...", it runs PROGRAM without a window, input
// from /dev/null and output to console.log, and leaves a record in the
// folder $BENCH_CONSOLE_RECORDS: when it started the program, when the
// program ended, its exit status and the command. Plain C++ without Qt, so
// the stand-in adds as little as possible to what is measured.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long long nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

int main(int argc, char *argv[])
{
    const long long start = nowNs();
    const char *records = std::getenv("BENCH_CONSOLE_RECORDS");
    int first = 1;
    while (first < argc && std::strcmp(argv[first++], "-e") != 0) { }
    if (records == nullptr || first >= argc)
        return 2;
    const std::string folder = records;

    const pid_t child = fork();
    if (child < 0)
        return 2;
    if (child == 0) {
        const int in = open("/dev/null", O_RDONLY);
        const int out
            = open((folder + "/console.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (in < 0 || out < 0)
            _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        execvp(argv[first], argv + first);
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return 2;
    const long long end = nowNs();
    const int exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);

    // Written aside and renamed, so a reader never sees half a record.
    const std::string name = std::to_string(start) + '-' + std::to_string(getpid());
    const std::string part = folder + "/." + name;
    FILE *file = std::fopen(part.c_str(), "w");
    if (file == nullptr)
        return 2;
    std::fprintf(file, "%lld %lld %d\n", start, end, exitStatus);
    for (int i = first; i < argc; ++i)
        std::fprintf(file, "%s\n", argv[i]);
    if (std::fclose(file) != 0 || std::rename(part.c_str(), (folder + '/' + name + ".rec").c_str()))
        return 2;
    return exitStatus;
}
