// oprinterctl check [--json] [FOLDER]: reads OPrinter.cfg as the service does
// and shows what the service would run with.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/oprinterctl/Commands.h"
#include "app/oprinterctl/JsonText.h"
#include "app/oprinterctl/TerminalText.h"
#include "platform/AccessList.h"
#include "platform/Clock.h"
#include "platform/ExecutableFolder.h"
#include "platform/TextConverter.h"
#include "platform/TlsContext.h"
#include "platform/TlsFiles.h"
#include "service/LoadConfig.h"
#include "service/ServiceIdentity.h"

namespace oprinter::ctl {

namespace {

constexpr int kUsageError = 2;

struct CheckOptions {
    bool json = false;
    std::string folder;  // with its trailing "/"
};

std::optional<CheckOptions> ParseOptions(const std::vector<std::string>& args) {
    CheckOptions options;
    std::optional<std::string> folder;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            options.json = true;
        } else if (arg.starts_with("-") || folder) {
            return std::nullopt;
        } else {
            folder = arg.empty() ? "." : arg;
        }
    }
    options.folder = folder.value_or(ExecutableFolder());
    if (options.folder.back() != '/') options.folder += '/';
    return options;
}

// One setting as both renderings show it.
struct SettingValue {
    const char* name;
    std::string text;
    std::string json;
};

// The settings' text for the terminal and in UTF-8.
struct SettingTexts {
    explicit SettingTexts(const std::string& charset)
        : terminal(TerminalCharset()), toTerminal(charset, terminal), toUtf8(charset, "UTF-8") {}
    std::string Shown(const std::string& text) const { return TerminalSafe(toTerminal.Convert(text), terminal); }
    std::string terminal;
    TextConverter toTerminal;
    TextConverter toUtf8;
};

SettingValue TextSetting(const SettingTexts& texts, const char* name, const std::string& value) {
    return {name, texts.Shown(value), JsonString(texts.toUtf8.Convert(value))};
}

SettingValue NumberSetting(const char* name, long long value) {
    return {name, std::to_string(value), std::to_string(value)};
}

SettingValue BooleanSetting(const char* name, bool value) {
    const char* text = value ? "true" : "false";
    return {name, text, text};
}

std::vector<SettingValue> SettingValues(const Settings& settings, const SettingTexts& texts) {
    return {
        TextSetting(texts, "Language", settings.Language),
        TextSetting(texts, "System", settings.Session.Host.System),
        TextSetting(texts, "User", settings.Session.Host.User),
        NumberSetting("PasswordLength", static_cast<long long>(settings.Session.Host.Password.size())),
        TextSetting(texts, "PrinterName", settings.Session.Device.PrinterName),
        BooleanSetting("Log", settings.Session.Log.Log),
        BooleanSetting("LogDetail", settings.Session.Log.LogDetail),
        NumberSetting("MaxLog", settings.Session.Log.MaxLog),
        NumberSetting("GGMaxLog", settings.GGMaxLog),
        TextSetting(texts, "SaveLogPath", settings.Session.Log.SaveLogPath),
        BooleanSetting("SpoolInfoAPI", settings.Session.Host.SpoolInfoAPI),
        TextSetting(texts, "APILib", settings.Session.Host.APILib),
        NumberSetting("DebugLevel", settings.Session.DebugLevel),
        TextSetting(texts, "Charset", settings.Session.Save.Charset),
        BooleanSetting("PdfCopy", settings.Session.Save.PdfCopy),
        TextSetting(texts, "SpoolCommand", settings.Session.Save.SpoolCommand),
        BooleanSetting("TLS", settings.Session.Tls.TLS),
        BooleanSetting("FtpTLS", settings.Session.Tls.FtpTLS),
        TextSetting(texts, "TLSCAFile", settings.Session.Tls.TLSCAFile),
        BooleanSetting("TLSVerify", settings.Session.Tls.TLSVerify),
        TextSetting(texts, "TLSCertFile", settings.Session.Tls.TLSCertFile),
        TextSetting(texts, "TLSKeyFile", settings.Session.Tls.TLSKeyFile),
    };
}

// One TLS file as the service would find it, and what it holds.
struct CheckedFile {
    const char* setting;
    std::string path;  // empty: not configured
    TlsFileCheck check;
};

TlsOptions TlsOptionsOf(const Settings& settings, const std::string& folder) {
    return TlsOptionsBeside(folder, settings.Session.Tls.TLSVerify, settings.Session.Tls.TLSCAFile, settings.Session.Tls.TLSCertFile, settings.Session.Tls.TLSKeyFile);
}

std::vector<CheckedFile> CheckedTlsFiles(const TlsOptions& options) {
    const std::string& ca = options.CAFile;
    const std::string& certificate = options.CertFile;
    const std::string& key = options.KeyFile;
    std::vector<CheckedFile> files;
    if (ca.empty()) {
        files.push_back({"TLSCAFile", ca, {true, "none: the system's trust store"}});
    } else {
        files.push_back({"TLSCAFile", ca, CheckCAFile(ca)});
    }
    if (!certificate.empty() || !key.empty()) {
        files.push_back({"TLSCertFile", certificate,
                         certificate.empty() ? TlsFileCheck{false, "missing: TLSKeyFile needs it"} : CheckCertificateFile(certificate)});
        if (!key.empty() || !ClientKeyInCertificateFile())
            files.push_back({"TLSKeyFile", key,
                             key.empty() ? TlsFileCheck{false, "missing: TLSCertFile needs it"} : CheckKeyFile(key, certificate)});
    }
    return files;
}

bool AllUsable(const std::vector<CheckedFile>& files) {
    for (const CheckedFile& file : files) {
        if (!file.check.ok) return false;
    }
    return true;
}

// With TLS asked for and every file usable, whatever still stops the service
// from setting TLS up (a trust store it cannot load, credentials the platform refuses),
// as the line its log would get; empty when nothing does.
std::string TlsSetupError(const Settings& settings, const TlsOptions& options, const std::vector<CheckedFile>& files) {
    if ((!settings.Session.Tls.TLS && !settings.Session.Tls.FtpTLS) || !AllUsable(files)) return {};
    std::string failure;
    return TlsContext::Make(options, failure) ? std::string() : "Error: TLS " + failure;
}

// What GGMaxLog makes the service do with its old logs.
std::string LogRetentionText(const Settings& settings) {
    if (settings.GGMaxLog <= 0) return "every log file is kept (GGMaxLog 0)";
    return "log files dated more than " + std::to_string(settings.GGMaxLog) +
           " days before today are deleted at the start and daily";
}

// Who may reach the printer's folder, its configuration and its heartbeat,
// where the platform keeps access lists; each with its lines.
using AccessLists = std::vector<std::pair<const char*, std::vector<std::string>>>;

std::filesystem::path FolderPath(const std::string& folder) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::weakly_canonical(std::filesystem::absolute(folder, error), error);
    path = path.lexically_normal();
    return path.has_filename() ? path : path.parent_path();
}

// The tool's own folder is the single service's, as in the zip; any other is an instance's.
bool IsExecutableFolder(const std::string& folder) { return FolderPath(folder) == FolderPath(ExecutableFolder()); }

AccessLists AccessOf(const std::string& folder) {
    const std::string service = IdentityOf(folder, !IsExecutableFolder(folder)).name;
    AccessLists lists{{"Folder", FileAccess(folder, service)}};
    if (HasConfigFile(folder)) lists.emplace_back("OPrinter.cfg", FileAccess(folder + "OPrinter.cfg", service));
    lists.emplace_back("Heartbeat", HeartbeatAccess(service));
    return lists;
}

std::string TimeText(const TimeOfDay& time) {
    char text[24];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", unsigned{time.hour}, unsigned{time.minute},
                  unsigned{time.second});
    return text;
}

void PrintText(const Settings& settings, const ConfigReading& reading, const std::vector<CheckedFile>& files,
               const std::string& tlsError, const AccessLists& access) {
    const SettingTexts texts(settings.Session.Save.Charset);
    for (const SettingValue& value : SettingValues(settings, texts))
        std::printf("%s: %s\n", value.name, value.text.c_str());
    std::printf("Log retention: %s\n", LogRetentionText(settings).c_str());
    for (const CheckedFile& file : files) {
        std::printf("%s file: %s%s%s\n", file.setting, texts.Shown(file.path).c_str(),
                    file.path.empty() ? "" : ": ", texts.Shown(file.check.text).c_str());
    }
    if (!tlsError.empty()) std::printf("%s\n", texts.Shown(tlsError).c_str());
    for (const auto& [place, lines] : access) {
        for (const std::string& line : lines)
            std::printf("%s access: %s\n", place, TerminalSafe(line, texts.terminal).c_str());
    }
    for (std::size_t day = 0; day < settings.Schedule.size(); ++day) {
        const TDaySchedule& entry = settings.Schedule[day];
        std::printf("%s: Skedula %s, %s to %s\n", std::string(kDayNames[day]).c_str(), entry.Skedula ? "true" : "false",
                    TimeText(entry.StartTime).c_str(), TimeText(entry.EndTime).c_str());
    }
    // Warnings are the tool's own text around what the file holds, as it holds it.
    for (const std::string& warning : reading.warnings)
        std::printf("Warning: %s\n", TerminalSafe(warning, texts.terminal).c_str());
    if (!reading.complete) std::printf("Error: %s\n", texts.Shown(reading.error).c_str());
}

std::string JsonDay(const TDaySchedule& entry) {
    return std::string("{\"Skedula\": ") + (entry.Skedula ? "true" : "false") + ", \"StartTime\": \"" +
           TimeText(entry.StartTime) + "\", \"EndTime\": \"" + TimeText(entry.EndTime) + "\"}";
}

std::string JsonWarnings(const ConfigReading& reading, const SettingTexts& texts) {
    std::string json = "[";
    for (size_t i = 0; i < reading.warnings.size(); ++i)
        json += (i > 0 ? ", " : "") + JsonString(texts.toUtf8.Convert(reading.warnings[i]));
    return json + "]";
}

std::string JsonFiles(const std::vector<CheckedFile>& files, const SettingTexts& texts) {
    std::string json = "{";
    for (std::size_t index = 0; index < files.size(); ++index) {
        const CheckedFile& file = files[index];
        json += std::string(index == 0 ? "\n" : ",\n") + "    \"" + file.setting + "\": {\"Path\": " +
                JsonString(texts.toUtf8.Convert(file.path)) + ", \"Usable\": " + (file.check.ok ? "true" : "false") +
                ", \"Detail\": " + JsonString(texts.toUtf8.Convert(file.check.text)) + "}";
    }
    return json + "\n  }";
}

// Only where the platform keeps access lists.
std::string JsonAccess(const AccessLists& access) {
    std::string json;
    for (const auto& [place, lines] : access) {
        if (lines.empty()) continue;
        json += std::string(json.empty() ? "" : ",") + "\n    \"" + place + "\": [";
        for (std::size_t index = 0; index < lines.size(); ++index)
            json += (index > 0 ? ", " : "") + JsonString(lines[index]);
        json += "]";
    }
    return json.empty() ? json : "  \"Access\": {" + json + "\n  },\n";
}

void PrintJson(const Settings& settings, const ConfigReading& reading, const std::vector<CheckedFile>& files,
               const std::string& tlsError, const AccessLists& access) {
    const SettingTexts texts(settings.Session.Save.Charset);
    std::string json = "{\n";
    for (const SettingValue& value : SettingValues(settings, texts))
        json += "  \"" + std::string(value.name) + "\": " + value.json + ",\n";
    json += "  \"LogRetention\": " + JsonString(LogRetentionText(settings)) + ",\n";
    json += "  \"TLSFiles\": " + JsonFiles(files, texts) + ",\n";
    json += "  \"TLSError\": " + (tlsError.empty() ? "null" : JsonString(texts.toUtf8.Convert(tlsError))) + ",\n";
    json += JsonAccess(access);
    json += "  \"Schedule\": [\n";
    for (std::size_t day = 0; day < settings.Schedule.size(); ++day) {
        json += "    " + JsonDay(settings.Schedule[day]) + (day + 1 < settings.Schedule.size() ? ",\n" : "\n");
    }
    json += "  ],\n  \"Warnings\": " + JsonWarnings(reading, texts) + ",\n";
    const std::string error = reading.complete ? "null" : JsonString(texts.toUtf8.Convert(reading.error));
    json += "  \"Error\": " + error + "\n}\n";
    std::fputs(json.c_str(), stdout);
}

}  // namespace

int RunCheck(const std::vector<std::string>& args) {
    const std::optional<CheckOptions> options = ParseOptions(args);
    if (!options) {
        std::fputs("usage: oprinterctl check [--json] [FOLDER]\n", stderr);
        return kUsageError;
    }
    if (!HasConfigFile(options->folder)) {
        std::fprintf(stderr, "oprinterctl check: no OPrinter.cfg in %s; the service would run with the defaults\n",
                     options->folder.c_str());
    }
    Settings settings;
    // The reading logs its failure where the service would.
    const LogWriter log(options->folder, DefaultClock());
    const ConfigReading reading = LoadConfig(options->folder, settings, log);
    const TlsOptions tls = TlsOptionsOf(settings, options->folder);
    const std::vector<CheckedFile> files = CheckedTlsFiles(tls);
    const std::string tlsError = TlsSetupError(settings, tls, files);
    const AccessLists access = AccessOf(options->folder);
    if (options->json) {
        PrintJson(settings, reading, files, tlsError, access);
    } else {
        PrintText(settings, reading, files, tlsError, access);
    }
    return reading.complete && AllUsable(files) && tlsError.empty() ? 0 : 1;
}

}  // namespace oprinter::ctl
