#include "service/LoadConfig.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "platform/TextConverter.h"
#include "platform/XmlDocument.h"
#include "service/CryptStr.h"
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

// Reads attribute values, turning the file's UTF-8 into the configured
// character set.
class AttributeReader {
public:
    explicit AttributeReader(const std::string& charset) : fromUtf8_("UTF-8", charset) {}

    std::string Text(const XmlElement& element, const char* name) const {
        const std::string* value = element.Attribute(name);
        if (value == nullptr) throw AttributeError(Where(element, name) + " is missing");
        return fromUtf8_.Convert(*value);
    }

    bool Boolean(const XmlElement& element, const char* name) const {
        const std::string text = Text(element, name);
        const std::optional<bool> value = BooleanValue(text);
        if (!value) throw AttributeError(Quoted(text) + " is not a valid boolean value (" + Where(element, name) + ")");
        return *value;
    }

    int32_t Integer(const XmlElement& element, const char* name) const {
        const std::string text = Text(element, name);
        const std::optional<int32_t> value = DecimalInteger(text);
        if (!value) throw AttributeError(Quoted(text) + " is not a valid integer value (" + Where(element, name) + ")");
        return *value;
    }

private:
    std::string Where(const XmlElement& element, const char* name) const {
        return "attribute " + Quoted(name) + " of element " + Quoted(fromUtf8_.Convert(element.name));
    }

    TextConverter fromUtf8_;
};

XmlElement RootElement(const std::string& path) {
    try {
        return ReadXmlFile(path);
    } catch (const std::runtime_error& failure) {
        throw std::runtime_error(std::string(kConfigFileName) + ": " + failure.what());
    }
}

void ReadDay(const AttributeReader& read, const XmlElement& element, TDaySchedule& day) {
    // Each value is stored as soon as it is read: a failure keeps the earlier ones.
    day.Skedula = read.Boolean(element, "Skedula");
    day.StartTime = TimeFromText(read.Text(element, "StartTime"));
    day.EndTime = TimeFromText(read.Text(element, "EndTime"));
}

void ReadSchedule(const AttributeReader& read, const XmlElement& root, Settings& settings) {
    for (const XmlElement& child : root.children) {
        const auto day = std::find(kDayNames.begin(), kDayNames.end(), child.name);
        if (day != kDayNames.end()) ReadDay(read, child, settings.Schedule[day - kDayNames.begin()]);
    }
}

// The name is ASCII; it says how every other value is to be read, so it
// comes first. An unknown name leaves the default.
std::optional<std::string> ReadCharset(const XmlElement& root, Settings& settings) {
    const std::string* attribute = root.Attribute("Charset");
    if (attribute == nullptr) return std::nullopt;
    const std::string name = *attribute;
    if (IsKnownCharset(name)) {
        settings.Session.Save.Charset = name;
        return std::nullopt;
    }
    settings.Session.Save.Charset = kDefaultCharset;
    return "Unknown Charset " + Quoted(name) + ": the text is read as " + kDefaultCharset;
}

void ReadLanguage(const AttributeReader& read, const XmlElement& root, Settings& settings) {
    try {
        settings.Language = read.Text(root, "Language");
    } catch (const AttributeError&) {
        settings.Language.clear();
    }
    if (settings.Language.empty()) settings.Language = kDefaultLanguage;
}

// The optional settings; each group stops at its first failure.
void ReadOptionalSettings(const AttributeReader& read, const XmlElement& root, Settings& settings) {
    try {
        settings.Session.Log.MaxLog = read.Integer(root, "MaxLog");
    } catch (const AttributeError&) {
        // MaxLog keeps its value.
    }
    try {
        settings.GGMaxLog = read.Integer(root, "GGMaxLog");
        settings.Session.Log.SaveLogPath = read.Text(root, "SaveLogPath");
    } catch (const AttributeError&) {
        // What was read stays; the rest keeps its value.
    }
    try {
        settings.Session.Host.SpoolInfoAPI = read.Boolean(root, "SpoolInfoAPI");
        settings.Session.Host.APILib = read.Text(root, "APILib");
    } catch (const AttributeError&) {
        settings.Session.Host.SpoolInfoAPI = false;
    }
    try {
        settings.Session.DebugLevel = read.Integer(root, "DebugLevel");
    } catch (const AttributeError&) {
        settings.Session.DebugLevel = 0;
    }
    try {
        settings.Session.Save.PdfCopy = read.Boolean(root, "PdfCopy");
    } catch (const AttributeError&) {
        settings.Session.Save.PdfCopy = false;
    }
}

void ReadOptionalText(const AttributeReader& read, const XmlElement& root, const char* name, std::string& value) {
    if (root.Attribute(name) != nullptr) value = read.Text(root, name);
}

// Absent: the value keeps its default. Present but not a boolean: the safe
// side, so that a mistyped value never sends the password in clear.
void ReadSecurityBoolean(const AttributeReader& read, const XmlElement& root, const char* name, bool& value) {
    if (root.Attribute(name) == nullptr) return;
    value = BooleanValue(read.Text(root, name)).value_or(true);
}

// Read before anything that can stop the reading: a damaged file must not
// leave the connections in clear text when TLS was asked for.
void ReadTlsSettings(const AttributeReader& read, const XmlElement& root, Settings& settings) {
    ReadSecurityBoolean(read, root, "TLS", settings.Session.Tls.TLS);
    settings.Session.Tls.FtpTLS = settings.Session.Tls.TLS;
    ReadSecurityBoolean(read, root, "FtpTLS", settings.Session.Tls.FtpTLS);
    ReadOptionalText(read, root, "TLSCAFile", settings.Session.Tls.TLSCAFile);
    ReadSecurityBoolean(read, root, "TLSVerify", settings.Session.Tls.TLSVerify);
    ReadOptionalText(read, root, "TLSCertFile", settings.Session.Tls.TLSCertFile);
    ReadOptionalText(read, root, "TLSKeyFile", settings.Session.Tls.TLSKeyFile);
}

void ReadFile(const std::string& path, Settings& settings, ConfigReading& reading) {
    const XmlElement root = RootElement(path);
    if (std::optional<std::string> warning = ReadCharset(root, settings)) reading.warnings.push_back(*warning);
    const AttributeReader read(settings.Session.Save.Charset);
    ReadTlsSettings(read, root, settings);
    settings.Session.Host.System = read.Text(root, "System");
    settings.Session.Host.User = read.Text(root, "User");
    settings.Session.Host.Password = Descramble(read.Text(root, "Password"));
    settings.Session.Device.PrinterName = read.Text(root, "PrinterName");
    ReadLanguage(read, root, settings);
    ReadSchedule(read, root, settings);
    settings.Session.Log.Log = read.Boolean(root, "Log");
    settings.Session.Log.LogDetail = read.Boolean(root, "LogDetail");
    ReadOptionalSettings(read, root, settings);
}

void LogWarnings(const ConfigReading& reading, const Settings& settings, const LogWriter& log) {
    for (const std::string& warning : reading.warnings) log.WriteLog(settings.Session.Log, false, warning);
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
    ConfigReading reading;
    try {
        ReadFile(exeFolder + kConfigFileName, settings, reading);
        return reading;
    } catch (const std::exception& failure) {
        reading.error = failure.what();
    } catch (...) {
        reading.error = "unknown failure";
    }
    reading.complete = false;
    return reading;
}

ConfigReading LoadConfig(const std::string& exeFolder, Settings& settings, const LogWriter& log) {
    const ConfigReading reading = ReadConfig(exeFolder, settings);
    LogWarnings(reading, settings, log);
    if (!reading.complete) log.WriteLog(settings.Session.Log, false, "Errore Generale: " + reading.error);
    return reading;
}

std::string ConfiguredCharset(const std::string& exeFolder) {
    Settings settings;
    if (!HasConfigFile(exeFolder)) return settings.Session.Save.Charset;
    try {
        ReadCharset(RootElement(exeFolder + kConfigFileName), settings);
    } catch (const std::exception&) {
        // A file the service cannot read leaves the default.
    }
    return settings.Session.Save.Charset;
}

TimeOfDay TimeFromText(std::string_view text) {
    const TimeOfDay time{TimeField(text, 1), TimeField(text, 4), TimeField(text, 7)};
    if (time.hour < 24 && time.minute < 60 && time.second < 60) return time;
    return {};
}

}  // namespace oprinter
