#include "platform/EventLog.h"

#include <string>
#include <syslog.h>

namespace oprinter {

namespace {
int SyslogPriority(int eventType) {
    switch (eventType) {
        case 1: return LOG_ERR;
        case 2: return LOG_WARNING;
        default: return LOG_INFO;
    }
}
}  // namespace

void SyslogEventLog::WriteEventLog(std::string_view source, std::string_view text, int eventType) {
    // Register, report one entry, deregister, as an event source is used.
    const std::string ident = source_.empty() ? std::string(source) : source_;
    openlog(ident.c_str(), LOG_PID, LOG_DAEMON);
    const std::string message(text);
    syslog(SyslogPriority(eventType), "%s", message.c_str());
    closelog();
}

std::unique_ptr<EventLog> ServiceEventLog(const std::string& source) {
    return std::make_unique<SyslogEventLog>(source);
}

}  // namespace oprinter
