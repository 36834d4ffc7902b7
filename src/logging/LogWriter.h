#pragma once
// The daily log files, shared by the service log and the session log. Each
// writer passes its own settings; both land in the same files.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace oprinter {

struct LogSettings {
    bool Log = false;
    bool LogDetail = false;
    std::string SaveLogPath;  // plain prefix of the file name; empty: the executable's folder
    int32_t MaxLog = 0;       // thousands of bytes
};

class LogWriter {
public:
    // exeFolder ends with "/"; it stands in for an empty SaveLogPath.
    LogWriter(std::string exeFolder, const Clock& clock);

    // Appends one line when the settings allow it. Never throws; a line that
    // cannot be written is dropped.
    void WriteLog(const LogSettings& settings, bool detail, std::string_view text) const noexcept;

    const std::string& ExeFolder() const { return exeFolder_; }
    const Clock& GetClock() const { return clock_; }

private:
    void Append(const LogSettings& settings, std::string_view text) const;

    std::string exeFolder_;
    const Clock& clock_;
};

// Today's date as "yyyy-mm-dd", the date part of the log file names.
std::string LogDateText(const LocalDateTime& now);
// "dd/mm/yyyy hh:nn:ss", or the date alone at 00:00:00 exactly.
std::string LogLineDateText(const LocalDateTime& now);
// Size of the file in bytes as its directory entry gives it (32-bit).
uint32_t LogFileSize(const std::string& fileName);

}  // namespace oprinter
