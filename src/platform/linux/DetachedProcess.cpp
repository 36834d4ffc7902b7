#include "platform/DetachedProcess.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace oprinter {

namespace {

constexpr int kExecFailed = 127;
// Where descriptors are closed one by one when close_range is missing.
constexpr int kHighestDescriptor = 65535;

std::runtime_error StartError(const char* what, int error) {
    return std::runtime_error(std::string(what) + ": " + std::strerror(error));
}

// In the forked copy only async-signal-safe calls are made: another thread of
// this process may have held a lock at the fork.
[[noreturn]] void RunIntermediate(char* const* argv, int output) {
    const pid_t program = ::fork();
    if (program == 0) {
        const int nothing = ::open("/dev/null", O_RDWR);
        if (nothing >= 0) ::dup2(nothing, STDIN_FILENO);
        const int out = output >= 0 ? output : nothing;
        if (out >= 0) ::dup2(out, STDOUT_FILENO);
        // Sockets of this process need not be close-on-exec; a connection the
        // service closes must not stay open in the program.
        if (::close_range(3, ~0U, 0) != 0) {
            for (int fd = 3; fd <= kHighestDescriptor; ++fd) ::close(fd);
        }
        ::execv(argv[0], argv);
        ::_exit(kExecFailed);
    }
    ::_exit(program < 0 ? kExecFailed : 0);
}

}  // namespace

int StartDetachedProcess(const std::vector<std::string>& arguments, bool reportWanted) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int report[2] = {-1, -1};
    if (reportWanted && ::pipe2(report, O_CLOEXEC) != 0) throw StartError("cannot make a pipe", errno);
    // The write end must survive the exec; dup2 onto stdout clears its close-on-exec.
    const pid_t intermediate = ::fork();
    if (intermediate == 0) RunIntermediate(argv.data(), report[1]);
    const int forkError = errno;
    if (report[1] >= 0) ::close(report[1]);
    if (intermediate < 0) {
        if (report[0] >= 0) ::close(report[0]);
        throw StartError("cannot start a process", forkError);
    }
    int status = 0;
    while (::waitpid(intermediate, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        if (report[0] >= 0) ::close(report[0]);
        throw StartError("cannot start a process", EAGAIN);
    }
    return report[0];
}

}  // namespace oprinter
