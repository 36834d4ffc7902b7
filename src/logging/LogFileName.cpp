#include "logging/LogFileName.h"

#include <algorithm>
#include <filesystem>
#include <string>

namespace oprinter {

namespace {

constexpr std::string_view kPrefix = "OPrinter ";
constexpr std::string_view kSuffix = ".log";
constexpr std::size_t kDateLength = 10;
// Enough for any follow-on number a long (32 bits on Windows) holds.
constexpr std::size_t kLongestNumber = 9;

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsDate(std::string_view date) {
    return date.size() == kDateLength && AllDigits(date.substr(0, 4)) && date[4] == '-' &&
           AllDigits(date.substr(5, 2)) && date[7] == '-' && AllDigits(date.substr(8, 2));
}

}  // namespace

std::optional<LogFileOrder> ParseLogFileName(std::string_view name) {
    if (name.size() < kPrefix.size() + kSuffix.size() || !name.starts_with(kPrefix) || !name.ends_with(kSuffix))
        return std::nullopt;
    name = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    const std::string_view date = name.substr(0, kDateLength);
    if (!IsDate(date)) return std::nullopt;
    const std::string_view number = name.substr(date.size());
    if (number.empty()) return LogFileOrder{std::string(date), 0};
    if (number.size() < 3 || number.front() != '(' || number.back() != ')') return std::nullopt;
    const std::string_view digits = number.substr(1, number.size() - 2);
    if (!AllDigits(digits) || digits.size() > kLongestNumber) return std::nullopt;
    return LogFileOrder{std::string(date), std::stol(std::string(digits))};
}

LogLocation LocateLogs(const std::string& saveLogPath, const std::string& exeFolder) {
    // The platform's own separators: a name may hold what the other one uses.
    const std::filesystem::path prefix(saveLogPath.empty() ? exeFolder : saveLogPath);
    const std::string namePrefix = prefix.filename().string();
    const std::string folder = prefix.string().substr(0, prefix.string().size() - namePrefix.size());
    return {folder.empty() ? "./" : folder, namePrefix};
}

}  // namespace oprinter
