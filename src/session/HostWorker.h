#pragma once
// Host work over FTP can block for a minute, so it runs on a thread of its
// own while the loop goes on: the heartbeat, the control cycle and a stop keep
// their time. Only what the work hands back crosses to the loop, posted to
// it: each log line as it is written, and the outcome at the end. A worker
// dropped while its work runs does not wait for it: the work finishes alone,
// and its lines and outcome go nowhere.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <asio/io_context.hpp>

#include "hostspool/HostAccess.h"
#include "session/HandlerGuard.h"

namespace oprinter {

// What a piece of host work ended with.
struct HostOutcome {
    bool succeeded = false;
    std::vector<std::string> attributes;  // what a retrieval found
    std::optional<std::string> failure;   // the message of an exception that ended it
};

class HostWorker {
public:
    // Runs on the worker thread and may use only what it holds itself.
    using Work = std::function<HostOutcome(HostLog& log)>;
    // Both run on the loop.
    using LineHandler = std::function<void(const std::string& line)>;
    using DoneHandler = std::function<void(HostOutcome outcome)>;

    HostWorker(asio::io_context& loop, LineHandler onLine);
    ~HostWorker();
    HostWorker(const HostWorker&) = delete;
    HostWorker& operator=(const HostWorker&) = delete;

    // One piece at a time; done gets its outcome. The pieces of all workers
    // take turns, so that only one FTP session is open in the process.
    // Throws std::system_error when no thread can be had.
    void Start(Work work, DoneHandler done);
    bool Busy() const { return busy_; }

    class Mailbox;

private:
    std::shared_ptr<Mailbox> mailbox_;
    HandlerGuard guard_;
    LineHandler onLine_;
    bool busy_ = false;
};

}  // namespace oprinter
