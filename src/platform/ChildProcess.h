#pragma once
// A program this process starts and watches on the event loop: it runs in a
// folder with added environment variables, its standard output and error
// are kept (their last bytes), and its end is reported with its exit status.
// A program that runs too long can be ended, with whatever it started.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <asio/io_context.hpp>

namespace oprinter {

// The last bytes of each output kept; a chatty program costs no more memory.
inline constexpr size_t kKeptChildOutput = 64 * 1024;

struct ChildLaunch {
    std::vector<std::string> arguments;  // [0]: the program's absolute path
    std::string folder;                  // where it runs
    // Added to this process's environment, replacing variables of the same name.
    std::vector<std::pair<std::string, std::string>> environment;
    bool lowerPriority = false;  // below this process, so it takes only spare time
};

struct ChildOutcome {
    // The exit status; a program ended by a signal gives 128 + the signal's number.
    int exitStatus = 0;
    std::string output;  // the last kKeptChildOutput bytes of standard output
    std::string errors;  // the same of standard error
};

class ChildProcess {
public:
    using Ended = std::function<void(const ChildOutcome&)>;

    // Starts the program; ended runs on the loop once it has ended. Throws
    // std::runtime_error with the reason when it cannot be started.
    static std::unique_ptr<ChildProcess> Start(asio::io_context& loop, const ChildLaunch& launch, Ended ended);
    // Ends a program still running, without calling ended.
    virtual ~ChildProcess() = default;

    // Ends the program and what it started; ended follows.
    virtual void Kill() = 0;
};

}  // namespace oprinter
