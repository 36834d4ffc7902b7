#include "service/LoadConfig.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "service/ValueForms.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"

namespace oprinter {
namespace {

// Password "x1.9 0.15 3.4y" is the scrambled form of "PB".
constexpr const char* kRequired =
    R"(System="ibmi.example.com" User="PRTUSER" Password="x1.9 0.15 3.4y" PrinterName="PRT01")";

std::string Config(const std::string& attributes, const std::string& children = "") {
    return "<?xml version=\"1.0\"?>\n<OPrinter " + std::string(kRequired) + " " + attributes + ">" + children +
           "</OPrinter>";
}

class LoadConfigTest : public ::testing::Test {
protected:
    ConfigReading Load(const std::string& xml) {
        folder.Write("OPrinter.cfg", xml);
        return LoadConfig(folder.Path(), settings, log);
    }
    std::size_t FilesInFolder() const {
        const auto entries = std::filesystem::directory_iterator(folder.Path());
        return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
    }

    test::TempFolder folder;
    test::FakeClock clock;
    LogWriter log{folder.Path(), clock};
    Settings settings;
};

TEST_F(LoadConfigTest, ReadsEveryValueAndOnlyTheDayElementsOfTheRoot) {
    clock.now = test::At(9, 0, 0);
    const ConfigReading reading = Load(
        "<Anything Language=\"EN\" " + std::string(kRequired) +
        R"( Log="True" LogDetail="0" MaxLog="1000" GGMaxLog="30" SaveLogPath="/var/log/op/"
            SpoolInfoAPI="1" APILib="KXLIB01" DebugLevel="2">
          <!-- comment --> text
          <Folder><Wednesday Skedula="True" StartTime="01:00:00" EndTime="02:00:00"/></Folder>
          <Sunday Skedula="True" StartTime="10:00:00" EndTime="12:00:00"/>
          <Tuesday Skedula="True" StartTime="07:00:00" EndTime="20:00:00"/>
          <Tuesday Skedula="False" StartTime="08:00:00" EndTime="18:30:00"/>
          <monday Skedula="True" StartTime="01:00:00" EndTime="02:00:00"/>
          <Other Skedula="bad"/>
        </Anything>)");
    EXPECT_TRUE(reading.complete) << reading.error;
    EXPECT_EQ(settings.Language, "EN");
    EXPECT_EQ(settings.Session.Host.System, "ibmi.example.com");
    EXPECT_EQ(settings.Session.Host.User, "PRTUSER");
    EXPECT_EQ(settings.Session.Host.Password, "PB");
    EXPECT_EQ(settings.Session.Device.PrinterName, "PRT01");
    EXPECT_TRUE(settings.Session.Log.Log);
    EXPECT_FALSE(settings.Session.Log.LogDetail);
    EXPECT_EQ(settings.Session.Log.MaxLog, 1000);
    EXPECT_EQ(settings.GGMaxLog, 30);
    EXPECT_EQ(settings.Session.Log.SaveLogPath, "/var/log/op/");
    EXPECT_TRUE(settings.Session.Host.SpoolInfoAPI);
    EXPECT_EQ(settings.Session.Host.APILib, "KXLIB01");
    EXPECT_EQ(settings.Session.DebugLevel, 2);
    EXPECT_FALSE(settings.Schedule[0].Skedula);  // "monday" is not Monday
    EXPECT_FALSE(settings.Schedule[1].Skedula);  // the later Tuesday wins
    EXPECT_EQ(settings.Schedule[1].StartTime, (TimeOfDay{8, 0, 0}));
    EXPECT_EQ(settings.Schedule[1].EndTime, (TimeOfDay{18, 30, 0}));
    EXPECT_FALSE(settings.Schedule[2].Skedula);  // grandchildren are not read
    EXPECT_TRUE(settings.Schedule[6].Skedula);
    EXPECT_EQ(settings.Schedule[6].EndTime, (TimeOfDay{12, 0, 0}));
}

TEST_F(LoadConfigTest, MissingFileOnlySetsLanguage) {
    settings.Session.Host.System = "kept";
    const ConfigReading reading = LoadConfig(folder.Path(), settings, log);
    EXPECT_TRUE(reading.complete);
    EXPECT_EQ(settings.Language, "IT");
    EXPECT_EQ(settings.Session.Host.System, "kept");
    EXPECT_FALSE(HasConfigFile(folder.Path()));
}

TEST_F(LoadConfigTest, OptionalGroupsFallBackSilently) {
    ASSERT_TRUE(Load(Config(R"(Log="1" LogDetail="1" Language="" MaxLog="1e3" SaveLogPath="/x/" APILib="LIB"
                               DebugLevel="two")")).complete);
    EXPECT_EQ(settings.Language, "IT");
    EXPECT_EQ(settings.Session.Log.MaxLog, 0);
    EXPECT_EQ(settings.Session.Log.SaveLogPath, "");  // not read without GGMaxLog
    EXPECT_FALSE(settings.Session.Host.SpoolInfoAPI);
    EXPECT_EQ(settings.Session.Host.APILib, "");
    EXPECT_EQ(settings.Session.DebugLevel, 0);

    ASSERT_TRUE(Load(Config(R"(Log="1" LogDetail="1" GGMaxLog="7" SpoolInfoAPI="True")")).complete);
    EXPECT_EQ(settings.GGMaxLog, 7);
    EXPECT_FALSE(settings.Session.Host.SpoolInfoAPI);  // APILib is missing
    EXPECT_EQ(FilesInFolder(), 1u);       // nothing was logged
}

TEST_F(LoadConfigTest, MissingEndTimeStopsAfterThatDaysEarlierValues) {
    const ConfigReading reading =
        Load(Config(R"(Log="True" LogDetail="True" MaxLog="5")", R"(<Monday Skedula="True" StartTime="08:30"/>
                        <Tuesday Skedula="True" StartTime="07:00:00" EndTime="20:00:00"/>)"));
    EXPECT_FALSE(reading.complete);
    EXPECT_NE(reading.error.find("EndTime"), std::string::npos) << reading.error;
    EXPECT_TRUE(settings.Schedule[0].Skedula);
    EXPECT_EQ(settings.Schedule[0].StartTime, (TimeOfDay{8, 30, 0}));
    EXPECT_FALSE(settings.Schedule[1].Skedula);
    EXPECT_FALSE(settings.Session.Log.Log);
    EXPECT_EQ(settings.Session.Log.MaxLog, 0);
    EXPECT_EQ(FilesInFolder(), 1u);  // Log was not yet true: no log file
}

TEST_F(LoadConfigTest, FailureOfRequiredValueStopsTheReading) {
    const ConfigReading reading =
        Load(R"(<OPrinter System="host" Password="x" PrinterName="PRT01" Log="True" LogDetail="True"/>)");
    EXPECT_FALSE(reading.complete);
    EXPECT_EQ(settings.Session.Host.System, "host");
    EXPECT_EQ(settings.Session.Device.PrinterName, "");
    EXPECT_FALSE(settings.Session.Log.Log);

    for (const char* broken : {"", "<OPrinter System=", "<?xml version=\"1.0\"?>", "<a></b>"}) {
        const ConfigReading bad = Load(broken);
        EXPECT_FALSE(bad.complete) << broken;
        EXPECT_FALSE(bad.error.empty()) << broken;
    }
}

TEST_F(LoadConfigTest, FailureAfterLogIsTrueIsLogged) {
    clock.now = test::At(10, 15, 0);
    const ConfigReading reading = Load(Config(R"(Log="True" LogDetail="maybe")"));
    EXPECT_FALSE(reading.complete);
    EXPECT_TRUE(settings.Session.Log.Log);
    EXPECT_EQ(folder.Read("OPrinter 2026-12-08.log"),
              "08/12/2026 10:15:00: Errore Generale: " + reading.error + "\r\n");
    EXPECT_NE(reading.error.find("\"maybe\""), std::string::npos) << reading.error;
}

TEST_F(LoadConfigTest, ValuesBecomeTheCharsetWhateverTheFilesEncoding) {
    Load("<?xml version=\"1.0\" encoding=\"UTF-8\"?><c System=\"Citt\xC3\xA0 \xE2\x82\xAC &#233;&#x1F600;\"/>");
    EXPECT_EQ(settings.Session.Host.System, "Citt\xE0 \x80 \xE9?");
    Load("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><c System=\"Citt\xE0\"/>");
    EXPECT_EQ(settings.Session.Host.System, "Citt\xE0");
    // An encoding unknown to the parser: its 8-bit bytes are kept.
    Load("<?xml version=\"1.0\" encoding=\"windows-1252\"?><c System=\"Citt\xE0 d\xE9j\xE0\"/>");
    EXPECT_EQ(settings.Session.Host.System, "Citt\xE0 d\xE9j\xE0");
    // UTF-16 with a byte order mark.
    const char utf16[] = "\xFF\xFE<\0c\0 \0S\0y\0s\0t\0e\0m\0=\0\"\0\xE0\0\"\0/\0>\0";
    Load(std::string(utf16, sizeof utf16 - 1));
    EXPECT_EQ(settings.Session.Host.System, "\xE0");
}

TEST_F(LoadConfigTest, CharsetIsReadFirstAndAnUnknownOneIsLoggedOnce) {
    const std::string euroFolder = "GGMaxLog=\"1\" SaveLogPath=\"/\xE2\x82\xAC/\"";
    EXPECT_TRUE(Load(Config(R"(Charset="ISO-8859-15" Log="False" LogDetail="False" )" + euroFolder)).complete);
    EXPECT_EQ(settings.Session.Save.Charset, "ISO-8859-15");
    EXPECT_EQ(settings.Session.Log.SaveLogPath, "/\xA4/");
    EXPECT_FALSE(settings.Session.Save.PdfCopy);

    settings = Settings();
    clock.now = test::At(10, 15, 0);
    const ConfigReading unknown = Load(Config(R"(Charset="EBCDIC-KLINGON" Log="True" LogDetail="False" PdfCopy="1")"));
    EXPECT_TRUE(unknown.complete);
    EXPECT_EQ(settings.Session.Save.Charset, "WINDOWS-1252");
    EXPECT_TRUE(settings.Session.Save.PdfCopy);
    const std::string warning = "Unknown Charset \"EBCDIC-KLINGON\": the text is read as WINDOWS-1252";
    EXPECT_EQ(unknown.warnings, (std::vector<std::string>{warning}));
    EXPECT_EQ(folder.Read("OPrinter 2026-12-08.log"), "08/12/2026 10:15:00: " + warning + "\r\n");
    EXPECT_EQ(ConfiguredCharset(folder.Path()), "WINDOWS-1252");

    Load(Config(R"(Charset="cp1250" Log="False" LogDetail="False" PdfCopy="maybe")"));
    EXPECT_EQ(ConfiguredCharset(folder.Path()), "cp1250");
    EXPECT_FALSE(settings.Session.Save.PdfCopy);
}

TEST(ValueForms, BooleanAndIntegerAreStrict) {
    EXPECT_EQ(BooleanValue("TRUE"), true);
    EXPECT_EQ(BooleanValue("fAlSe"), false);
    EXPECT_EQ(BooleanValue("-3"), true);
    EXPECT_EQ(BooleanValue("+000"), false);
    EXPECT_EQ(BooleanValue("99999999999999999999"), true);
    for (const char* bad : {"", "yes", " 1", "1.0", "-", "Truex"}) EXPECT_EQ(BooleanValue(bad), std::nullopt) << bad;

    EXPECT_EQ(DecimalInteger("+5"), 5);
    EXPECT_EQ(DecimalInteger("-2147483648"), INT32_MIN);
    EXPECT_EQ(DecimalInteger("2147483647"), INT32_MAX);
    for (const char* bad : {"", " 5", "5 ", "$10", "0x10", "2147483648", "+", "+-1", "1e3"}) {
        EXPECT_EQ(DecimalInteger(bad), std::nullopt) << bad;
    }
}

TEST(TimeFromText, FixedPositionsAndRange) {
    const struct {
        const char* text;
        TimeOfDay time;
    } cases[] = {
        {"23:59:59", {23, 59, 59}}, {"08:30", {8, 30, 0}},    {"8:30:00", {0, 0, 0}},
        {"24:00:00", {0, 0, 0}},    {"12:60:00", {0, 0, 0}},  {"-1:00:00", {0, 0, 0}},
        {"07.15x30", {7, 15, 30}},  {"07:15:3", {7, 15, 3}},  {"", {0, 0, 0}},
        {"ab:cd:ef", {0, 0, 0}},    {"+1:+2:+3", {1, 2, 3}},  {"10:20:30 extra", {10, 20, 30}},
    };
    for (const auto& c : cases) EXPECT_EQ(TimeFromText(c.text), c.time) << c.text;
}

TEST_F(LoadConfigTest, TlsSettingsDefaultToClearTextAndFollowTheirAttributes) {
    EXPECT_TRUE(Load(Config(R"(Log="False" LogDetail="False")")).complete);
    EXPECT_FALSE(settings.Session.Tls.TLS);
    EXPECT_FALSE(settings.Session.Tls.FtpTLS);
    EXPECT_TRUE(settings.Session.Tls.TLSVerify);
    EXPECT_EQ(settings.Session.Tls.TLSCAFile, "");

    Settings fresh;
    settings = fresh;
    EXPECT_TRUE(Load(Config(R"(Log="False" LogDetail="False" TLS="true" TLSCAFile="certs/ca.pem" TLSVerify="0"
                                TLSCertFile="/etc/op/c.pem" TLSKeyFile="c.key")")).complete);
    EXPECT_TRUE(settings.Session.Tls.TLS);
    EXPECT_TRUE(settings.Session.Tls.FtpTLS) << "FtpTLS follows TLS when absent";
    EXPECT_FALSE(settings.Session.Tls.TLSVerify);
    EXPECT_EQ(settings.Session.Tls.TLSCAFile, "certs/ca.pem");
    EXPECT_EQ(settings.Session.Tls.TLSCertFile, "/etc/op/c.pem");
    EXPECT_EQ(settings.Session.Tls.TLSKeyFile, "c.key");

    settings = fresh;
    EXPECT_TRUE(Load(Config(R"(Log="False" LogDetail="False" TLS="True" FtpTLS="False")")).complete);
    EXPECT_TRUE(settings.Session.Tls.TLS);
    EXPECT_FALSE(settings.Session.Tls.FtpTLS);
}

TEST_F(LoadConfigTest, TlsSettingsSurviveAReadingThatStopsAndMistypedOnesStaySecure) {
    // A damaged file must not leave the password in clear text.
    const ConfigReading reading = Load(Config(R"(TLS="yes" TLSVerify="nein" Log="True")"));
    EXPECT_FALSE(reading.complete);
    EXPECT_TRUE(settings.Session.Tls.TLS);
    EXPECT_TRUE(settings.Session.Tls.FtpTLS);
    EXPECT_TRUE(settings.Session.Tls.TLSVerify);
}

}  // namespace
}  // namespace oprinter
