// oprinterctl status [--json] [FOLDER...]: the health of each printer, for a
// person or a monitoring check; exit status 0 only when every printer is
// connected and beating.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/oprinterctl/Commands.h"
#include "app/oprinterctl/JsonText.h"
#include "app/oprinterctl/PrinterFolders.h"
#include "app/oprinterctl/PrinterStatus.h"
#include "app/oprinterctl/TerminalText.h"
#include "platform/Clock.h"
#include "platform/TextConverter.h"

namespace oprinter::ctl {

namespace {

constexpr int kUnhealthy = 1;
constexpr int kUsageError = 2;

struct StatusOptions {
    bool json = false;
    std::vector<std::string> folders;  // each with its trailing "/"
};

bool ParseOptions(const std::vector<std::string>& args, StatusOptions& options) {
    for (const std::string& arg : args) {
        if (arg == "--json") {
            options.json = true;
        } else if (arg.starts_with("-") || arg.empty()) {
            return false;
        } else {
            options.folders.push_back(arg.back() == '/' ? arg : arg + "/");
        }
    }
    return true;
}

std::string TodayStamp() {
    const LocalDateTime today = DefaultClock().Now();
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", today.year, today.month, today.day);
    return text;
}

// Names and log lines are 8-bit text of the host's character set; a log
// line may carry an FTP server's reply.
std::string InTerminal(const std::string& text) {
    static const std::string terminal = TerminalCharset();
    static const TextConverter toTerminal(kDefaultCharset, terminal);
    return TerminalSafe(toTerminal.Convert(text), terminal);
}

std::string Json(const std::string& text) {
    static const TextConverter toUtf8(kDefaultCharset, "UTF-8");
    return JsonString(toUtf8.Convert(text));
}

std::string OrNone(const std::optional<std::string>& text) { return text ? InTerminal(*text) : "-"; }

void PrintText(const PrinterStatus& status) {
    std::printf("%s\n", TerminalSafe(status.folder, TerminalCharset()).c_str());
    std::printf("  session:           %s\n", std::string(SessionStateText(status.session)).c_str());
    if (status.heartbeat) {
        std::printf("  heartbeat:         %d, %lld s ago\n", *status.heartbeat, static_cast<long long>(*status.heartbeatAge));
    } else {
        std::printf("  heartbeat:         -\n");
    }
    std::printf("  last spool file:   %s\n", OrNone(status.lastSpoolFile).c_str());
    std::printf("  last spool time:   %s\n", status.lastSpoolTime.value_or("-").c_str());
    std::printf("  spool files today: %d\n", status.spoolFilesToday);
    std::printf("  last error:        %s\n", OrNone(status.lastError).c_str());
    std::printf("  health:            %s\n", status.Healthy() ? "ok" : "NOT OK");
}

std::string JsonOrNull(const std::optional<std::string>& text) { return text ? Json(*text) : "null"; }

template <typename Number>
std::string JsonNumber(const std::optional<Number>& number) {
    return number ? std::to_string(*number) : "null";
}

std::string JsonObject(const PrinterStatus& status, const std::string& indent) {
    const std::string in = indent + "  ";
    return "{\n" + in + "\"folder\": " + Json(status.folder) + ",\n" + in + "\"session\": \"" +
           std::string(SessionStateText(status.session)) + "\",\n" + in + "\"heartbeat\": " +
           JsonNumber(status.heartbeat) + ",\n" + in + "\"heartbeat_age_s\": " + JsonNumber(status.heartbeatAge) +
           ",\n" + in + "\"last_spool_file\": " + JsonOrNull(status.lastSpoolFile) + ",\n" + in +
           "\"last_spool_time\": " + JsonOrNull(status.lastSpoolTime) + ",\n" + in +
           "\"spool_files_today\": " + std::to_string(status.spoolFilesToday) + ",\n" + in +
           "\"last_error\": " + JsonOrNull(status.lastError) + "\n" + indent + "}";
}

void PrintJson(const std::vector<PrinterStatus>& statuses, bool list) {
    if (!list) {
        std::printf("%s\n", JsonObject(statuses.front(), "").c_str());
        return;
    }
    std::string json = "[\n";
    for (std::size_t at = 0; at < statuses.size(); ++at)
        json += "  " + JsonObject(statuses[at], "  ") + (at + 1 < statuses.size() ? ",\n" : "\n");
    std::printf("%s]\n", json.c_str());
}

}  // namespace

int RunStatus(const std::vector<std::string>& args) {
    StatusOptions options;
    if (!ParseOptions(args, options)) {
        std::fputs("usage: oprinterctl status [--json] [FOLDER...]\n", stderr);
        return kUsageError;
    }
    const bool named = !options.folders.empty();
    if (!named) options.folders = PrinterFolders(kPrintersRoot);
    if (options.folders.empty()) {
        std::fprintf(stderr, "oprinterctl status: no printer folder with an OPrinter.cfg under %s\n", kPrintersRoot);
        return kUnhealthy;
    }
    const int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                            std::chrono::system_clock::now().time_since_epoch()).count();
    const std::string today = TodayStamp();
    std::vector<PrinterStatus> statuses;
    for (const std::string& folder : options.folders) statuses.push_back(ReadPrinterStatus(folder, today, now));
    if (options.json) {
        PrintJson(statuses, options.folders.size() > 1);
    } else {
        for (const PrinterStatus& status : statuses) PrintText(status);
    }
    const bool healthy = std::all_of(statuses.begin(), statuses.end(), [](const PrinterStatus& s) { return s.Healthy(); });
    return healthy ? 0 : kUnhealthy;
}

}  // namespace oprinter::ctl
