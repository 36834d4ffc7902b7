#include "logging/LogRetention.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "logging/LogFileName.h"

namespace oprinter {

namespace {

namespace fs = std::filesystem;

// More than any log outlives; keeps the day arithmetic far from overflow.
constexpr int32_t kLongestKept = 1000000;

std::optional<std::chrono::sys_days> DayOf(const std::string& date) {
    const std::chrono::year_month_day day{std::chrono::year{std::stoi(date.substr(0, 4))},
                                          std::chrono::month{static_cast<unsigned>(std::stoi(date.substr(5, 2)))},
                                          std::chrono::day{static_cast<unsigned>(std::stoi(date.substr(8, 2)))}};
    if (!day.ok()) return std::nullopt;
    return std::chrono::sys_days{day};
}

std::chrono::sys_days Today(const LocalDateTime& now) {
    return std::chrono::sys_days{std::chrono::year{now.year} / std::chrono::month{static_cast<unsigned>(now.month)} /
                                 std::chrono::day{static_cast<unsigned>(now.day)}};
}

// The service's log files of the folder dated before the first day kept.
std::vector<fs::path> LogsBefore(const LogLocation& where, std::chrono::sys_days firstKept) {
    std::vector<fs::path> old;
    std::error_code error;
    for (fs::directory_iterator entry(where.folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (!name.starts_with(where.namePrefix)) continue;
        const std::optional<LogFileOrder> order = ParseLogFileName(std::string_view(name).substr(where.namePrefix.size()));
        if (!order) continue;
        const std::optional<std::chrono::sys_days> day = DayOf(order->date);
        if (day && *day < firstKept) old.push_back(entry->path());
    }
    return old;
}

}  // namespace

void DeleteOldLogs(const LogSettings& settings, const std::string& exeFolder, int32_t keepDays,
                   const LocalDateTime& now, const LogRetention::LogLine& log) {
    if (keepDays <= 0) return;
    const std::chrono::sys_days firstKept = Today(now) - std::chrono::days{std::min(keepDays, kLongestKept)};
    for (const fs::path& file : LogsBefore(LocateLogs(settings.SaveLogPath, exeFolder), firstKept)) {
        std::error_code error;
        if (fs::remove(file, error)) {
            log(true, "Log deleted: " + file.string());
        } else if (error) {
            log(false, "Log Error: " + file.string() + ": " + error.message());
        }
    }
}

void LogRetention::RunOncePerDay(const LogSettings& settings, const std::string& exeFolder, int32_t keepDays,
                                 const LocalDateTime& now, const LogLine& log) {
    const std::string today = LogDateText(now);
    if (today == lastDay_) return;
    lastDay_ = today;
    DeleteOldLogs(settings, exeFolder, keepDays, now, log);
}

}  // namespace oprinter
