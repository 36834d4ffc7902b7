// oprinterctl check [--json] [FOLDER]: reads OPrinter.cfg as the service does
// and shows what the service would run with.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/oprinterctl/Commands.h"
#include "app/oprinterctl/JsonText.h"
#include "platform/Clock.h"
#include "platform/ExecutableFolder.h"
#include "service/Latin1Text.h"
#include "service/LoadConfig.h"

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

SettingValue TextSetting(const char* name, const std::string& value) {
    return {name, Latin1ToUtf8(value), JsonString(value)};
}

SettingValue NumberSetting(const char* name, long long value) {
    return {name, std::to_string(value), std::to_string(value)};
}

SettingValue BooleanSetting(const char* name, bool value) {
    const char* text = value ? "true" : "false";
    return {name, text, text};
}

std::vector<SettingValue> SettingValues(const Settings& settings) {
    return {
        TextSetting("Language", settings.Language),
        TextSetting("System", settings.System),
        TextSetting("User", settings.User),
        NumberSetting("PasswordLength", static_cast<long long>(settings.Password.size())),
        TextSetting("PrinterName", settings.PrinterName),
        BooleanSetting("Log", settings.Log),
        BooleanSetting("LogDetail", settings.LogDetail),
        NumberSetting("MaxLog", settings.MaxLog),
        NumberSetting("GGMaxLog", settings.GGMaxLog),
        TextSetting("SaveLogPath", settings.SaveLogPath),
        BooleanSetting("SpoolInfoAPI", settings.SpoolInfoAPI),
        TextSetting("APILib", settings.APILib),
        NumberSetting("DebugLevel", settings.DebugLevel),
    };
}

std::string TimeText(const TimeOfDay& time) {
    char text[24];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", unsigned{time.hour}, unsigned{time.minute},
                  unsigned{time.second});
    return text;
}

void PrintText(const Settings& settings, const ConfigReading& reading) {
    for (const SettingValue& value : SettingValues(settings)) std::printf("%s: %s\n", value.name, value.text.c_str());
    for (std::size_t day = 0; day < settings.Schedule.size(); ++day) {
        const TDaySchedule& entry = settings.Schedule[day];
        std::printf("%s: Skedula %s, %s to %s\n", std::string(kDayNames[day]).c_str(), entry.Skedula ? "true" : "false",
                    TimeText(entry.StartTime).c_str(), TimeText(entry.EndTime).c_str());
    }
    if (!reading.complete) std::printf("Error: %s\n", Latin1ToUtf8(reading.error).c_str());
}

std::string JsonDay(const TDaySchedule& entry) {
    return std::string("{\"Skedula\": ") + (entry.Skedula ? "true" : "false") + ", \"StartTime\": \"" +
           TimeText(entry.StartTime) + "\", \"EndTime\": \"" + TimeText(entry.EndTime) + "\"}";
}

void PrintJson(const Settings& settings, const ConfigReading& reading) {
    std::string json = "{\n";
    for (const SettingValue& value : SettingValues(settings))
        json += "  \"" + std::string(value.name) + "\": " + value.json + ",\n";
    json += "  \"Schedule\": [\n";
    for (std::size_t day = 0; day < settings.Schedule.size(); ++day) {
        json += "    " + JsonDay(settings.Schedule[day]) + (day + 1 < settings.Schedule.size() ? ",\n" : "\n");
    }
    json += "  ],\n  \"Error\": " + (reading.complete ? std::string("null") : JsonString(reading.error)) + "\n}\n";
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
    if (options->json) {
        PrintJson(settings, reading);
    } else {
        PrintText(settings, reading);
    }
    return reading.complete ? 0 : 1;
}

}  // namespace oprinter::ctl
