#pragma once
// Deletes the service's own daily log files once they are older than the
// number of days the configuration keeps (GGMaxLog); 0 keeps every file.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "logging/LogWriter.h"
#include "platform/Clock.h"

namespace oprinter {

class LogRetention {
public:
    // log(detail, text) writes a line of the service log.
    using LogLine = std::function<void(bool detail, std::string_view text)>;

    // The first call of each local day looks at the log folder of settings
    // (exeFolder for an empty SaveLogPath) and deletes every log file dated
    // more than keepDays days before today; later calls that day do nothing.
    void RunOncePerDay(const LogSettings& settings, const std::string& exeFolder, int32_t keepDays,
                       const LocalDateTime& now, const LogLine& log);

private:
    std::string lastDay_;
};

// The work of one day, whenever it is called: each deleted file gets a detail
// line, each that cannot be deleted an error line.
void DeleteOldLogs(const LogSettings& settings, const std::string& exeFolder, int32_t keepDays,
                   const LocalDateTime& now, const LogRetention::LogLine& log);

}  // namespace oprinter
