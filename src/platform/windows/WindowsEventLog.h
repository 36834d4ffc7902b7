#pragma once
// The Windows event log: an event source registered under the source name,
// one entry reported, the source deregistered.
#include <string>
#include <utility>

#include "platform/EventLog.h"

namespace oprinter {

// The three calls of the event log API, so that tests can see what is asked of it.
class EventSourceApi {
public:
    using Source = void*;
    virtual ~EventSourceApi() = default;
    virtual Source Register(const std::string& sourceName) = 0;  // nullptr on failure
    virtual bool Report(Source source, unsigned short type, const std::string& text) = 0;
    virtual bool Deregister(Source source) = 0;
};

// RegisterEventSourceA, ReportEventA, DeregisterEventSource.
EventSourceApi& Win32EventSourceApi();

class WindowsEventLog final : public EventLog {
public:
    // A source given here names every entry in place of the caller's.
    explicit WindowsEventLog(EventSourceApi& api, std::string source = {}) : api_(api), source_(std::move(source)) {}
    void WriteEventLog(std::string_view source, std::string_view text, int eventType) override;

private:
    EventSourceApi& api_;
    std::string source_;
};

}  // namespace oprinter
