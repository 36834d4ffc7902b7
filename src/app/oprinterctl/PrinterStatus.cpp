#include "app/oprinterctl/PrinterStatus.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "logging/LogFileName.h"
#include "service/LoadConfig.h"
#include "session/PendingWork.h"

namespace oprinter::ctl {

namespace {

namespace fs = std::filesystem;

// "<Nome> yyyyMMddhhnnsszzz.spool": the stamp is the moment of the save.
constexpr std::size_t kStampDigits = 17;
const std::string kSpoolExtension = ".spool";
// The tail of a log file searched for the last error; enough for days of lines.
constexpr std::streamoff kErrorSearchBytes = 1 << 20;
constexpr std::size_t kErrorSearchFiles = 5;

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<std::string> StampOf(const std::string& name) {
    if (name.size() < kStampDigits + kSpoolExtension.size() + 1 || !name.ends_with(kSpoolExtension)) return std::nullopt;
    const std::size_t at = name.size() - kSpoolExtension.size() - kStampDigits;
    const std::string stamp = name.substr(at, kStampDigits);
    if (name[at - 1] != ' ' || !AllDigits(stamp)) return std::nullopt;
    return stamp;
}

// Seconds since 1970 of a local date and time; nothing for one that is not.
std::optional<int64_t> LocalMoment(int year, int month, int day, int hour, int minute, int second) {
    std::tm moment{};
    moment.tm_year = year - 1900;
    moment.tm_mon = month - 1;
    moment.tm_mday = day;
    moment.tm_hour = hour;
    moment.tm_min = minute;
    moment.tm_sec = second;
    moment.tm_isdst = -1;
    const std::time_t at = std::mktime(&moment);
    if (at == static_cast<std::time_t>(-1)) return std::nullopt;
    return static_cast<int64_t>(at);
}

int Number(std::string_view digits) {
    int value = 0;
    for (const char digit : digits) value = value * 10 + (digit - '0');
    return value;
}

std::optional<int64_t> StampMoment(std::string_view stamp) {
    return LocalMoment(Number(stamp.substr(0, 4)), Number(stamp.substr(4, 2)), Number(stamp.substr(6, 2)),
                       Number(stamp.substr(8, 2)), Number(stamp.substr(10, 2)), Number(stamp.substr(12, 2)));
}

// A log line begins "dd/mm/yyyy hh:nn:ss: ", or "dd/mm/yyyy: " at midnight.
std::optional<int64_t> LineMoment(std::string_view line) {
    constexpr std::string_view kShape = "dd/mm/yyyy hh:nn:ss";
    const bool withTime = line.size() > kShape.size() && line[10] == ' ';
    const std::string_view date = line.substr(0, std::min<std::size_t>(line.size(), 10));
    if (date.size() != 10 || date[2] != '/' || date[5] != '/' || !AllDigits(date.substr(0, 2)) ||
        !AllDigits(date.substr(3, 2)) || !AllDigits(date.substr(6, 4)))
        return std::nullopt;
    int hour = 0, minute = 0, second = 0;
    if (withTime) {
        const std::string_view time = line.substr(11, 8);
        if (time[2] != ':' || time[5] != ':' || !AllDigits(time.substr(0, 2)) || !AllDigits(time.substr(3, 2)) ||
            !AllDigits(time.substr(6, 2)))
            return std::nullopt;
        hour = Number(time.substr(0, 2));
        minute = Number(time.substr(3, 2));
        second = Number(time.substr(6, 2));
    }
    return LocalMoment(Number(date.substr(6, 4)), Number(date.substr(3, 2)), Number(date.substr(0, 2)), hour, minute,
                       second);
}

std::string StampTime(const std::string& stamp) {
    return stamp.substr(0, 4) + "-" + stamp.substr(4, 2) + "-" + stamp.substr(6, 2) + " " + stamp.substr(8, 2) + ":" +
           stamp.substr(10, 2) + ":" + stamp.substr(12, 2);
}

void ReadSpoolFolder(const std::string& folder, const std::string& today, PrinterStatus& status) {
    std::error_code error;
    std::string newest;
    for (fs::directory_iterator entry(folder + "Spool", error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        const std::optional<std::string> stamp = StampOf(name);
        if (!stamp) continue;
        if (stamp->starts_with(today)) ++status.spoolFilesToday;
        if (*stamp > newest) {
            newest = *stamp;
            status.lastSpoolFile = name;
        }
    }
    if (newest.empty()) return;
    status.lastSpoolTime = StampTime(newest);
    status.lastSpoolAt = StampMoment(newest);
}

// The log files, newest first: by day, then by their number within the day.
std::vector<std::string> LogFilesNewestFirst(const std::string& logFolder, const std::string& namePrefix) {
    std::vector<std::pair<LogFileOrder, std::string>> found;
    std::error_code error;
    for (fs::directory_iterator entry(logFolder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (!name.starts_with(namePrefix)) continue;
        if (const auto order = ParseLogFileName(std::string_view(name).substr(namePrefix.size())))
            found.push_back({*order, entry->path().string()});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> files;
    for (const auto& [order, file] : found) files.push_back(file);
    return files;
}

bool IsErrorLine(const std::string& line) {
    std::string lower(line);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower.find("error") != std::string::npos;
}

std::optional<std::string> LastErrorIn(const std::string& file) {
    std::ifstream log(file, std::ios::binary);
    log.seekg(0, std::ios::end);
    const std::streamoff size = log.tellg();
    if (size < 0) return std::nullopt;
    log.seekg(std::max<std::streamoff>(0, size - kErrorSearchBytes));
    std::optional<std::string> last;
    std::string line;
    while (std::getline(log, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (IsErrorLine(line)) last = line;
    }
    return last;
}

// The logs go where the service sends them: SaveLogPath is a prefix of their names.
void ReadLogs(const std::string& folder, PrinterStatus& status) {
    Settings settings;
    ReadConfig(folder, settings);
    const LogLocation where = LocateLogs(settings.Session.Log.SaveLogPath, folder);
    const std::vector<std::string> files = LogFilesNewestFirst(where.folder, where.namePrefix);
    for (std::size_t at = 0; at < files.size() && at < kErrorSearchFiles && !status.lastError; ++at)
        status.lastError = LastErrorIn(files[at]);
    if (status.lastError) status.lastErrorAt = LineMoment(*status.lastError);
}

}  // namespace

bool PrinterStatus::Healthy() const {
    return session == SessionState::connected && heartbeat.value_or(0) != 0 &&
           heartbeatAge.value_or(kLongestHeartbeatAge + 1) <= kLongestHeartbeatAge;
}

PrinterStatus ReadPrinterStatus(const std::string& folder, const std::string& today, int64_t now) {
    PrinterStatus status;
    status.folder = folder;
    if (const std::optional<ServiceState> state = ReadStateFile(folder)) {
        status.session = state->session;
        status.heartbeat = state->heartbeat;
        status.heartbeatAge = std::max<int64_t>(0, now - state->heartbeatAt);
    }
    ReadSpoolFolder(folder, today, status);
    ReadLogs(folder, status);
    status.afterSavePending = CountPendingWork(folder);
    return status;
}

}  // namespace oprinter::ctl
