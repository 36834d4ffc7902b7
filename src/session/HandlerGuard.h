#pragma once
// Completion handlers queued on the loop can run after the object that queued
// them has been closed or destroyed (a cancelled wait, or one that completed
// just before the cancel). Each handler carries a Watch and checks Live()
// before touching its object, and again after calling out to user code that
// may have closed it.
#include <memory>

namespace oprinter {

class HandlerWatch {
public:
    explicit HandlerWatch(std::shared_ptr<const bool> life) : life_(std::move(life)) {}
    bool Live() const { return *life_; }

private:
    std::shared_ptr<const bool> life_;
};

class HandlerGuard {
public:
    HandlerGuard() = default;
    ~HandlerGuard() { *life_ = false; }
    HandlerGuard(const HandlerGuard&) = delete;
    HandlerGuard& operator=(const HandlerGuard&) = delete;

    HandlerWatch Watch() const { return HandlerWatch(life_); }
    // Every watch handed out so far goes dead; new ones are live.
    void Revoke() {
        *life_ = false;
        life_ = std::make_shared<bool>(true);
    }

private:
    std::shared_ptr<bool> life_ = std::make_shared<bool>(true);
};

}  // namespace oprinter
