#include "service/LoadConfig.h"

#include <algorithm>
#include <filesystem>
#include <pugixml.hpp>
#include <stdexcept>

#include "service/CryptStr.h"
#include "service/Latin1Text.h"
#include "service/ValueForms.h"

namespace oprinter {

namespace {

constexpr const char* kConfigFileName = "OPrinter.cfg";
constexpr const char* kDefaultLanguage = "IT";

// A missing or unconvertible attribute; the optional settings catch it.
class AttributeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string Where(const pugi::xml_node& element, const char* name) {
    return "attribute " + Quoted(name) + " of element " + Quoted(Utf8ToLatin1(element.name()));
}

std::string TextAttribute(const pugi::xml_node& element, const char* name) {
    const pugi::xml_attribute attribute = element.attribute(name);
    if (!attribute) throw AttributeError(Where(element, name) + " is missing");
    return Utf8ToLatin1(attribute.value());
}

bool BooleanAttribute(const pugi::xml_node& element, const char* name) {
    const std::string text = TextAttribute(element, name);
    const std::optional<bool> value = BooleanValue(text);
    if (!value) throw AttributeError(Quoted(text) + " is not a valid boolean value (" + Where(element, name) + ")");
    return *value;
}

int32_t IntegerAttribute(const pugi::xml_node& element, const char* name) {
    const std::string text = TextAttribute(element, name);
    const std::optional<int32_t> value = DecimalInteger(text);
    if (!value) throw AttributeError(Quoted(text) + " is not a valid integer value (" + Where(element, name) + ")");
    return *value;
}

pugi::xml_node RootElement(const std::string& path, pugi::xml_document& document) {
    // pugixml follows a declared ISO-8859-1 and the UTF-16 and UTF-32 forms;
    // anything else reaches it as UTF-8, and its 8-bit bytes survive the
    // conversion of each value (Utf8ToLatin1).
    const pugi::xml_parse_result result = document.load_file(path.c_str());
    if (!result) {
        std::string message = std::string(kConfigFileName) + ": " + result.description();
        if (result.offset > 0) message += " at offset " + std::to_string(result.offset);
        throw std::runtime_error(message);
    }
    return document.document_element();
}

void ReadDay(const pugi::xml_node& element, TDaySchedule& day) {
    // Each value is stored as soon as it is read: a failure keeps the earlier ones.
    day.Skedula = BooleanAttribute(element, "Skedula");
    day.StartTime = TimeFromText(TextAttribute(element, "StartTime"));
    day.EndTime = TimeFromText(TextAttribute(element, "EndTime"));
}

void ReadSchedule(const pugi::xml_node& root, Settings& settings) {
    for (const pugi::xml_node& child : root.children()) {
        if (child.type() != pugi::node_element) continue;
        const auto day = std::find(kDayNames.begin(), kDayNames.end(), child.name());
        if (day != kDayNames.end()) ReadDay(child, settings.Schedule[day - kDayNames.begin()]);
    }
}

void ReadLanguage(const pugi::xml_node& root, Settings& settings) {
    try {
        settings.Language = TextAttribute(root, "Language");
    } catch (const AttributeError&) {
        settings.Language.clear();
    }
    if (settings.Language.empty()) settings.Language = kDefaultLanguage;
}

// The optional settings; each group stops at its first failure.
void ReadOptionalSettings(const pugi::xml_node& root, Settings& settings) {
    try {
        settings.MaxLog = IntegerAttribute(root, "MaxLog");
    } catch (const AttributeError&) {
        // MaxLog keeps its value.
    }
    try {
        settings.GGMaxLog = IntegerAttribute(root, "GGMaxLog");
        settings.SaveLogPath = TextAttribute(root, "SaveLogPath");
    } catch (const AttributeError&) {
        // What was read stays; the rest keeps its value.
    }
    try {
        settings.SpoolInfoAPI = BooleanAttribute(root, "SpoolInfoAPI");
        settings.APILib = TextAttribute(root, "APILib");
    } catch (const AttributeError&) {
        settings.SpoolInfoAPI = false;
    }
    try {
        settings.DebugLevel = IntegerAttribute(root, "DebugLevel");
    } catch (const AttributeError&) {
        settings.DebugLevel = 0;
    }
}

void ReadOptionalText(const pugi::xml_node& root, const char* name, std::string& value) {
    if (root.attribute(name)) value = TextAttribute(root, name);
}

// Absent: the value keeps its default. Present but not a boolean: the safe
// side, so that a mistyped value never sends the password in clear.
void ReadSecurityBoolean(const pugi::xml_node& root, const char* name, bool& value) {
    if (!root.attribute(name)) return;
    value = BooleanValue(TextAttribute(root, name)).value_or(true);
}

// Read before anything that can stop the reading: a damaged file must not
// leave the connections in clear text when TLS was asked for.
void ReadTlsSettings(const pugi::xml_node& root, Settings& settings) {
    ReadSecurityBoolean(root, "TLS", settings.TLS);
    settings.FtpTLS = settings.TLS;
    ReadSecurityBoolean(root, "FtpTLS", settings.FtpTLS);
    ReadOptionalText(root, "TLSCAFile", settings.TLSCAFile);
    ReadSecurityBoolean(root, "TLSVerify", settings.TLSVerify);
    ReadOptionalText(root, "TLSCertFile", settings.TLSCertFile);
    ReadOptionalText(root, "TLSKeyFile", settings.TLSKeyFile);
}

void ReadFile(const std::string& path, Settings& settings) {
    pugi::xml_document document;
    const pugi::xml_node root = RootElement(path, document);
    ReadTlsSettings(root, settings);
    settings.System = TextAttribute(root, "System");
    settings.User = TextAttribute(root, "User");
    settings.Password = Descramble(TextAttribute(root, "Password"));
    settings.PrinterName = TextAttribute(root, "PrinterName");
    ReadLanguage(root, settings);
    ReadSchedule(root, settings);
    settings.Log = BooleanAttribute(root, "Log");
    settings.LogDetail = BooleanAttribute(root, "LogDetail");
    ReadOptionalSettings(root, settings);
}

// Two characters from position `from` (1-based); 0 unless they are a number.
uint16_t TimeField(std::string_view text, std::size_t from) {
    const std::string_view field = from <= text.size() ? text.substr(from - 1, 2) : std::string_view();
    // Held unsigned: -1 becomes 65535, which is out of range.
    return static_cast<uint16_t>(DecimalInteger(field).value_or(0));
}

}  // namespace

bool HasConfigFile(const std::string& exeFolder) {
    std::error_code error;
    return std::filesystem::is_regular_file(exeFolder + kConfigFileName, error);
}

ConfigReading ReadConfig(const std::string& exeFolder, Settings& settings) {
    if (!HasConfigFile(exeFolder)) {
        settings.Language = kDefaultLanguage;
        return {};
    }
    try {
        ReadFile(exeFolder + kConfigFileName, settings);
        return {};
    } catch (const std::exception& failure) {
        return {false, failure.what()};
    } catch (...) {
        return {false, "unknown failure"};
    }
}

ConfigReading LoadConfig(const std::string& exeFolder, Settings& settings, const LogWriter& log) {
    const ConfigReading reading = ReadConfig(exeFolder, settings);
    if (!reading.complete) log.WriteLog(settings.LogOptions(), false, "Errore Generale: " + reading.error);
    return reading;
}

TimeOfDay TimeFromText(std::string_view text) {
    const TimeOfDay time{TimeField(text, 1), TimeField(text, 4), TimeField(text, 7)};
    if (time.hour < 24 && time.minute < 60 && time.second < 60) return time;
    return {};
}

}  // namespace oprinter
