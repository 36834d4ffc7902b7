#include "session/HostWorker.h"

#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include <asio/post.hpp>

namespace oprinter {

// The one thing the loop and a worker thread share: where to post, until the
// worker is dropped.
class HostWorker::Mailbox {
public:
    explicit Mailbox(asio::io_context& loop) : loop_(&loop) {}

    void Post(std::function<void()> handler) {
        const std::lock_guard lock(mutex_);
        if (loop_ != nullptr) asio::post(*loop_, std::move(handler));
    }
    void Close() {
        const std::lock_guard lock(mutex_);
        loop_ = nullptr;
    }

private:
    std::mutex mutex_;
    asio::io_context* loop_;
};

namespace {

// Held by the piece of host work that runs; a piece left running by a dropped
// worker holds it until it ends.
std::mutex& HostTurn() {
    static std::mutex turn;
    return turn;
}

class PostingLog final : public HostLog {
public:
    PostingLog(std::shared_ptr<HostWorker::Mailbox> mailbox, std::function<void(const std::string&)> deliver)
        : mailbox_(std::move(mailbox)), deliver_(std::move(deliver)) {}

    void WriteLog(std::string_view text) override {
        mailbox_->Post([deliver = deliver_, line = std::string(text)] { deliver(line); });
    }

private:
    std::shared_ptr<HostWorker::Mailbox> mailbox_;
    std::function<void(const std::string&)> deliver_;
};

HostOutcome RunCaught(const HostWorker::Work& work, HostLog& log) {
    try {
        return work(log);
    } catch (const std::exception& failure) {
        return {false, {}, failure.what()};
    } catch (...) {
        return {false, {}, "unknown failure"};
    }
}

}  // namespace

HostWorker::HostWorker(asio::io_context& loop, LineHandler onLine)
    : mailbox_(std::make_shared<Mailbox>(loop)), onLine_(std::move(onLine)) {}

HostWorker::~HostWorker() { mailbox_->Close(); }

void HostWorker::Start(Work work, DoneHandler done) {
    const HandlerWatch watch = guard_.Watch();
    auto deliverLine = [this, watch](const std::string& line) {
        if (watch.Live()) onLine_(line);
    };
    auto deliverOutcome = [this, watch, done = std::move(done)](HostOutcome outcome) {
        if (!watch.Live()) return;
        busy_ = false;
        done(std::move(outcome));
    };
    std::thread([mailbox = mailbox_, work = std::move(work), deliverLine, deliverOutcome] {
        HostOutcome outcome;
        {
            const std::lock_guard turn(HostTurn());
            PostingLog log(mailbox, deliverLine);
            outcome = RunCaught(work, log);
        }
        mailbox->Post([deliverOutcome, outcome = std::move(outcome)] { deliverOutcome(outcome); });
    }).detach();
    busy_ = true;
}

}  // namespace oprinter
