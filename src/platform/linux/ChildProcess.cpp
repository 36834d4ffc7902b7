// Children through fork and exec, watched through a pidfd and two pipes.
#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>

#include <asio/posix/stream_descriptor.hpp>
#include <asio/steady_timer.hpp>

extern char** environ;

namespace oprinter {

namespace {

constexpr int kLowerNiceness = 10;
// What a program's own children may still write once it has ended.
constexpr std::chrono::milliseconds kOutputGrace{1000};
constexpr int kHighestDescriptor = 65535;

std::runtime_error StartError(const std::string& what, int error) {
    return std::runtime_error(what + ": " + std::strerror(error));
}

struct Pipe {
    int read = -1;
    int write = -1;
    ~Pipe() {
        if (read >= 0) ::close(read);
        if (write >= 0) ::close(write);
    }
    void Open() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) throw StartError("cannot make a pipe", errno);
        read = ends[0];
        write = ends[1];
    }
    int TakeRead() { return std::exchange(read, -1); }
};

std::vector<std::string> Environment(const ChildLaunch& launch) {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const size_t equals = text.find('=');
        if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : launch.environment) variables[name] = value;
    std::vector<std::string> entries;
    for (const auto& [name, value] : variables) entries.push_back(name + "=" + value);
    return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// In the forked copy only async-signal-safe calls are made: another thread of
// this process may have held a lock at the fork. A failure is reported
// through the close-on-exec pipe as the errno, the step first.
[[noreturn]] void RunChild(char* const* argv, char* const* envp, const char* folder, bool lower, int out, int err,
                           int failure) {
    ::setpgid(0, 0);
    const int nothing = ::open("/dev/null", O_RDONLY);
    if (nothing >= 0) ::dup2(nothing, STDIN_FILENO);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    // Sockets of this process need not be close-on-exec; a connection the
    // service closes must not stay open in the program.
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd <= kHighestDescriptor; ++fd)
            if (fd != failure) ::close(fd);
    }
    if (lower) ::setpriority(PRIO_PROCESS, 0, kLowerNiceness);
    int step = 0;
    if (::chdir(folder) == 0) {
        step = 1;
        ::execve(argv[0], argv, envp);
    }
    const int report[2] = {step, errno};
    if (::write(failure, report, sizeof report) < 0) {
    }
    ::_exit(127);
}

class LinuxChild final : public ChildProcess {
public:
    LinuxChild(asio::io_context& loop, pid_t pid, int pidfd, int out, int err, Ended ended)
        : pid_(pid), exit_(loop, pidfd), out_(loop, out), err_(loop, err), grace_(loop), ended_(std::move(ended)) {
        Read(out_, outBuffer_, outcome_.output, outOpen_);
        Read(err_, errBuffer_, outcome_.errors, errOpen_);
        exit_.async_wait(asio::posix::stream_descriptor::wait_read,
                         [this, watch = Watch()](const asio::error_code& error) {
                             if (!watch.expired() && !error) Exited();
                         });
    }
    // The handlers of cancelled waits still come; they find this object gone.
    ~LinuxChild() override {
        life_.reset();
        if (!reaped_) {
            ::kill(-pid_, SIGKILL);
            ::kill(pid_, SIGKILL);
            Reap();
        }
    }

    void Kill() override {
        if (reaped_) return;
        ::kill(-pid_, SIGKILL);
        ::kill(pid_, SIGKILL);
    }

private:
    void Read(asio::posix::stream_descriptor& pipe, char (&buffer)[4096], std::string& kept, bool& open) {
        pipe.async_read_some(asio::buffer(buffer), [this, watch = Watch(), &pipe, &buffer, &kept,
                                                     &open](const asio::error_code& error, size_t size) {
            if (watch.expired()) return;
            kept.append(buffer, size);
            if (kept.size() > kKeptChildOutput) kept.erase(0, kept.size() - kKeptChildOutput);
            if (!error) return Read(pipe, buffer, kept, open);
            open = false;
            if (error != asio::error::operation_aborted) Finish();
        });
    }

    void Reap() {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
        outcome_.exitStatus = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    }

    void Exited() {
        Reap();
        grace_.expires_after(kOutputGrace);
        grace_.async_wait([this, watch = Watch()](const asio::error_code& error) {
            if (watch.expired() || error) return;
            asio::error_code ignored;
            out_.close(ignored);
            err_.close(ignored);
            outOpen_ = errOpen_ = false;
            Finish();
        });
        Finish();
    }

    // Once the program has ended and its outputs are read (or given up).
    void Finish() {
        if (!reaped_ || outOpen_ || errOpen_ || !ended_) return;
        grace_.cancel();
        const Ended ended = std::exchange(ended_, nullptr);
        const ChildOutcome outcome = std::move(outcome_);
        ended(outcome);  // may destroy this object
    }

    std::weak_ptr<int> Watch() const { return life_; }

    std::shared_ptr<int> life_ = std::make_shared<int>(0);
    pid_t pid_;
    bool reaped_ = false;
    asio::posix::stream_descriptor exit_;
    asio::posix::stream_descriptor out_;
    asio::posix::stream_descriptor err_;
    asio::steady_timer grace_;
    Ended ended_;
    ChildOutcome outcome_;
    char outBuffer_[4096];
    char errBuffer_[4096];
    bool outOpen_ = true;
    bool errOpen_ = true;
};

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(asio::io_context& loop, const ChildLaunch& launch, Ended ended) {
    if (launch.arguments.empty()) throw std::runtime_error("no program");
    std::vector<std::string> arguments = launch.arguments;
    std::vector<std::string> environment = Environment(launch);
    const std::vector<char*> argv = Pointers(arguments);
    const std::vector<char*> envp = Pointers(environment);
    Pipe out, err, failure;
    out.Open();
    err.Open();
    failure.Open();
    const pid_t pid = ::fork();
    if (pid == 0) RunChild(argv.data(), envp.data(), launch.folder.c_str(), launch.lowerPriority, out.write, err.write,
                           failure.write);
    if (pid < 0) throw StartError("cannot start a process", errno);
    ::close(std::exchange(failure.write, -1));
    int report[2] = {0, 0};
    ssize_t got;
    while ((got = ::read(failure.read, report, sizeof report)) < 0 && errno == EINTR) {
    }
    if (got > 0) {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        throw StartError(report[0] == 0 ? "cannot enter " + launch.folder : "cannot run " + launch.arguments[0], report[1]);
    }
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0) {
        const int error = errno;
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        throw StartError("cannot watch a process", error);
    }
    return std::make_unique<LinuxChild>(loop, pid, pidfd, out.TakeRead(), err.TakeRead(), std::move(ended));
}

}  // namespace oprinter
