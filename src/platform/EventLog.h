#pragma once
// The platform's event log. Here entries go to syslog (facility daemon), where
// journald keeps them.
#include <string_view>

namespace oprinter {

class EventLog {
public:
    virtual ~EventLog() = default;
    // eventType 1 is an error.
    virtual void WriteEventLog(std::string_view source, std::string_view text, int eventType) = 0;
};

class SyslogEventLog final : public EventLog {
public:
    void WriteEventLog(std::string_view source, std::string_view text, int eventType) override;
};

EventLog& DefaultEventLog();

}  // namespace oprinter
