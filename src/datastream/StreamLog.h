#pragma once
// Where the record layer and the print data decoder write their log and trace
// lines: the session log of the session module that owns them.
#include <cstdint>
#include <string_view>

namespace oprinter {

class StreamLog {
public:
    virtual ~StreamLog() = default;
    // A normal line (detail false) or a detail line of the session log.
    virtual void WriteLog(bool detail, std::string_view text) = 0;
    virtual void WriteTrace(int32_t level, std::string_view text) = 0;
    // True when trace lines are wanted at all, so callers can skip building them.
    virtual bool TraceOn() const = 0;
};

}  // namespace oprinter
