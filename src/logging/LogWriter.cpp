#include "logging/LogWriter.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/AppendFile.h"

namespace oprinter {

namespace {

bool FileExists(const std::string& name) {
    std::error_code error;
    return std::filesystem::exists(name, error);
}

std::string TwoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string Year(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d", value);
    return text;
}

std::string DayFileName(const std::string& folder, const std::string& date, int n) {
    std::string name = folder + "OPrinter " + date;
    if (n > 0) name += "(" + std::to_string(n) + ")";
    return name + ".log";
}

}  // namespace

std::string LogDateText(const LocalDateTime& now) {
    return Year(now.year) + "-" + TwoDigits(now.month) + "-" + TwoDigits(now.day);
}

std::string LogLineDateText(const LocalDateTime& now) {
    std::string text = TwoDigits(now.day) + "/" + TwoDigits(now.month) + "/" + Year(now.year);
    if (now.hour == 0 && now.minute == 0 && now.second == 0) return text;
    return text + " " + TwoDigits(now.hour) + ":" + TwoDigits(now.minute) + ":" + TwoDigits(now.second);
}

uint32_t LogFileSize(const std::string& fileName) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(fileName, error);
    return error ? 0 : static_cast<uint32_t>(size);
}

LogWriter::LogWriter(std::string exeFolder, const Clock& clock)
    : exeFolder_(std::move(exeFolder)), clock_(clock) {}

void LogWriter::WriteLog(const LogSettings& settings, bool detail, std::string_view text) const noexcept {
    if (!settings.Log || (detail && !settings.LogDetail)) return;
    try {
        Append(settings, text);
    } catch (...) {
        // A log line that cannot be written is dropped.
    }
}

void LogWriter::Append(const LogSettings& settings, std::string_view text) const {
    const LocalDateTime now = clock_.Now();
    const std::string& folder = settings.SaveLogPath.empty() ? exeFolder_ : settings.SaveLogPath;
    const std::string date = LogDateText(now);

    // The highest-numbered file of the day in an unbroken run of names.
    std::string candidate = DayFileName(folder, date, 0);
    std::string last = candidate;
    int n = 0;
    while (FileExists(candidate)) {
        last = candidate;
        ++n;
        candidate = DayFileName(folder, date, n);
    }
    // The product is a 32-bit signed multiplication; it wraps as such.
    const int32_t limit = static_cast<int32_t>(static_cast<uint32_t>(settings.MaxLog) * 1000u);
    const bool full = n > 0 && static_cast<int64_t>(LogFileSize(last)) > limit;
    const std::string& target = full ? candidate : last;

    std::string line = LogLineDateText(now);
    line += ": ";
    line.append(text);
    line += "\r\n";

    AppendToFile(target, line);
}

}  // namespace oprinter
