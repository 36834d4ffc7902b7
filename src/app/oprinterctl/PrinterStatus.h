#pragma once
// What "oprinterctl status" finds out about one printer folder: the state the
// service leaves there, its newest spool files and the last error of its logs.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "service/StateFile.h"

namespace oprinter::ctl {

// A heartbeat older than two and a half control cycles means the service is gone.
inline constexpr int64_t kLongestHeartbeatAge = 150;

struct PrinterStatus {
    std::string folder;  // with its trailing "/"
    SessionState session = SessionState::stopped;
    std::optional<int32_t> heartbeat;
    std::optional<int64_t> heartbeatAge;  // seconds
    std::optional<std::string> lastSpoolFile;  // 8-bit, as named on disk
    std::optional<std::string> lastSpoolTime;  // "yyyy-mm-dd hh:nn:ss", local
    std::optional<int64_t> lastSpoolAt;     // the same moment in seconds since 1970 (UTC)
    int spoolFilesToday = 0;
    std::optional<std::string> lastError;  // the whole log line, 8-bit
    std::optional<int64_t> lastErrorAt;    // the moment the line gives, seconds since 1970 (UTC)
    size_t afterSavePending = 0;           // spool files whose after-save work has not ended

    // Connected and beating.
    bool Healthy() const;
};

// today is the local date as "yyyymmdd"; now in seconds since 1970 (UTC).
PrinterStatus ReadPrinterStatus(const std::string& folder, const std::string& today, int64_t now);

}  // namespace oprinter::ctl
