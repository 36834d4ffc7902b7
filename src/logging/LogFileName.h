#pragma once
// The names of the daily log files: "OPrinter yyyy-mm-dd.log" for the first
// file of a day and "OPrinter yyyy-mm-dd(n).log" for those that follow it.
#include <optional>
#include <string>
#include <string_view>

namespace oprinter {

struct LogFileOrder {
    std::string date;  // "yyyy-mm-dd" as in the name
    long number = 0;   // 0 for the first file of the day

    auto operator<=>(const LogFileOrder&) const = default;
};

// The day and number of a log file's name (without its folder); nothing when
// the name is not exactly one of the service's log names.
std::optional<LogFileOrder> ParseLogFileName(std::string_view name);

// Where the files of a SaveLogPath (a plain prefix of their names, empty:
// folder) are: the folder to look in and what their names begin with.
struct LogLocation {
    std::string folder;      // ends with "/", or "./"
    std::string namePrefix;  // usually empty
};
LogLocation LocateLogs(const std::string& saveLogPath, const std::string& exeFolder);

}  // namespace oprinter
