#include "app/oprinterctl/PrinterStatus.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "service/LoadConfig.h"

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
    if (!newest.empty()) status.lastSpoolTime = StampTime(newest);
}

// "OPrinter yyyy-mm-dd.log" or "OPrinter yyyy-mm-dd(n).log": the day and n (0 for the first file).
std::optional<std::pair<std::string, long>> LogFileOrder(std::string_view name) {
    constexpr std::string_view kPrefix = "OPrinter ", kSuffix = ".log";
    constexpr std::size_t kDateLength = 10;
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return std::nullopt;
    name = name.substr(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
    const std::string_view date = name.substr(0, kDateLength);
    if (date.size() != kDateLength || !AllDigits(date.substr(0, 4)) || date[4] != '-' || !AllDigits(date.substr(5, 2)) ||
        date[7] != '-' || !AllDigits(date.substr(8, 2)))
        return std::nullopt;
    const std::string_view number = name.substr(kDateLength);
    if (number.empty()) return std::pair{std::string(date), 0L};
    const std::string_view digits = number.substr(1, number.size() - 2);
    if (number.front() != '(' || number.back() != ')' || !AllDigits(digits) || digits.size() > 9) return std::nullopt;
    return std::pair{std::string(date), std::stol(std::string(digits))};
}

// The log files, newest first: by day, then by their number within the day.
std::vector<std::string> LogFilesNewestFirst(const std::string& logFolder, const std::string& namePrefix) {
    std::vector<std::pair<std::pair<std::string, long>, std::string>> found;
    std::error_code error;
    for (fs::directory_iterator entry(logFolder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (!name.starts_with(namePrefix)) continue;
        if (const auto order = LogFileOrder(std::string_view(name).substr(namePrefix.size())))
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
    const std::string prefix = settings.Session.Log.SaveLogPath.empty() ? folder : settings.Session.Log.SaveLogPath;
    const std::size_t slash = prefix.rfind('/');
    const std::string logFolder = slash == std::string::npos ? "." : prefix.substr(0, slash + 1);
    const std::string namePrefix = slash == std::string::npos ? prefix : prefix.substr(slash + 1);
    const std::vector<std::string> files = LogFilesNewestFirst(logFolder, namePrefix);
    for (std::size_t at = 0; at < files.size() && at < kErrorSearchFiles && !status.lastError; ++at)
        status.lastError = LastErrorIn(files[at]);
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
    return status;
}

}  // namespace oprinter::ctl
