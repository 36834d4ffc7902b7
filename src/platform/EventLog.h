#pragma once
// The platform's event log. Here entries go to syslog (facility daemon), where
// journald keeps them.
#include <string>
#include <string_view>
#include <utility>

namespace oprinter {

class EventLog {
public:
    virtual ~EventLog() = default;
    // eventType 1 is an error.
    virtual void WriteEventLog(std::string_view source, std::string_view text, int eventType) = 0;
};

class SyslogEventLog final : public EventLog {
public:
    // A source given here names every entry in place of the caller's, so
    // that the entries of one printer instance carry its name.
    explicit SyslogEventLog(std::string source = {}) : source_(std::move(source)) {}
    void WriteEventLog(std::string_view source, std::string_view text, int eventType) override;

private:
    std::string source_;
};

}  // namespace oprinter
