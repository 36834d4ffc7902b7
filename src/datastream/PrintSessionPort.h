#pragma once
// What the record layer and the print data decoder need of the session that
// owns them. The session module implements it; tests and fuzzers fake it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace oprinter {

class PrintSessionPort {
public:
    virtual ~PrintSessionPort() = default;

    // The session's status line (socket error, startup response).
    virtual void SetStatusText(const std::string& text) = 0;

    // Sends bytes on the telnet connection; the result is not looked at.
    virtual void Send(std::string_view bytes) = 0;
    // Ends the session on a fatal protocol error (log line, close, event log).
    virtual void AbortSession(const std::string& message) = 0;

    // Session log and trace.
    virtual void WriteLog(bool detail, std::string_view text) = 0;
    virtual void WriteTrace(int32_t level, std::string_view text) = 0;
    // True when trace lines are wanted at all, so callers can skip building them.
    virtual bool TraceOn() const = 0;

    // Fetches the attributes of the spooled file the host is printing now
    // into spoolInfo (the 22 name=value lines); false when no attempt found it.
    virtual bool ReadSpoolInfo(std::vector<std::string>& spoolInfo) = 0;
    // Asks the host to start the printer writer of the device again.
    virtual void StartPrinterWriter() = 0;

    // A document is saved, complete, in the spool file at path.
    virtual void SpoolFileSaved(const std::string& path) = 0;
};

}  // namespace oprinter
