// The fixed tables against copies typed into tables/: every startup status
// text, every EBCDIC entry, and the case folding of the substitution table
// over all 256 bytes against a model built on the C library's Unicode case
// mapping.
#include <gtest/gtest.h>

#include <clocale>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <sstream>

#include "datastream/CvTable.h"
#include "datastream/Ebcdic.h"
#include "datastream/RecordLayer.h"
#include "support/StreamDriver.h"

namespace oprinter::test {
namespace {

const std::string kTables = OPRINTER_SOURCE_DIR "/tests/datastream/tables/";

// The lines of a table file without its comments.
Strings TableLines(const std::string& name) {
    std::ifstream in(kTables + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    Strings lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    }
    return lines;
}

std::string StartupRecord(const std::string& code) {
    std::string ebcdic;
    for (const char c : code) ebcdic += c == 'I' ? '\xC9' : static_cast<char>(0xF0 + (c - '0'));
    return std::string("\x00\x00\x12\xA0\x90\x00\x04\x00\x00\x00\xC0\x00\x00\x00\x00", 15) + ebcdic;
}

TEST(Tables, EveryStartupStatusText) {
    RecordingSession session;
    const RecordLayer records(session);
    const Strings lines = TableLines("status_texts.txt");
    ASSERT_EQ(lines.size(), 34u);
    for (const std::string& line : lines) {
        const std::string code = line.substr(0, 4);
        const RecordOutcome outcome = records.Take(StartupRecord(code));
        EXPECT_EQ(outcome.Kind, rkStartupResponse) << code;
        EXPECT_EQ(outcome.Text, line.substr(5)) << code;
    }
}

uint8_t Hex(const std::string& text) { return static_cast<uint8_t>(std::stoi(text, nullptr, 16)); }

TEST(Tables, EveryEbcdicEntry) {
    std::array<uint8_t, 256> expected{};
    const Strings rows = TableLines("ebcdic_ccsid500.txt");
    ASSERT_EQ(rows.size(), 16u);
    for (size_t row = 0; row < 16; ++row) {
        std::istringstream entries(rows[row].substr(4));
        for (size_t column = 0; column < 16; ++column) {
            std::string entry;
            entries >> entry;
            expected[row * 16 + column] = Hex(entry);
        }
    }
    const Strings french = TableLines("ebcdic_french.txt");
    ASSERT_EQ(french.size(), 20u);
    for (const std::string& line : french) {
        const uint8_t ebcdic = Hex(line.substr(0, 2));
        EXPECT_EQ(expected[ebcdic], Hex(line.substr(3, 2))) << line;  // the two typed tables agree
        expected[ebcdic] = Hex(line.substr(6, 2));
    }
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string translated = EbcdicToAnsi(all);
    for (int b = 0; b < 256; ++b) EXPECT_EQ(static_cast<uint8_t>(translated[b]), expected[b]) << "EBCDIC " << b;
}

// The other case of an ISO 8859-1 character by Unicode's simple case mapping,
// when it is in ISO 8859-1 too; else none (the byte itself).
int OtherCaseModel(int byte) {
    const wint_t upper = std::towupper(static_cast<wint_t>(byte));
    const wint_t lower = std::towlower(static_cast<wint_t>(byte));
    if (upper != static_cast<wint_t>(byte) && upper < 256) return static_cast<int>(upper);
    if (lower != static_cast<wint_t>(byte) && lower < 256) return static_cast<int>(lower);
    return byte;
}

TEST(Tables, CaseFoldingOfEveryByteBothWays) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    ASSERT_EQ(OtherCaseModel(0xDE), 0xFE);  // the model knows Latin-1 letters
    for (int name = 0; name < 256; ++name) {
        // CR and LF end lines and "=" ends the name, so none can be a name.
        if (name == '\r' || name == '\n' || name == '=') continue;
        const char replacement = name == '#' ? '%' : '#';
        const CvTable table = CvTable::FromText(std::string(1, static_cast<char>(name)) + "=" + replacement);
        const int partner = OtherCaseModel(name);
        for (int byte = 0; byte < 256; ++byte) {
            // Blanks are never substituted: they are never placed.
            const bool matches = name != ' ' && (byte == name || byte == partner);
            EXPECT_EQ(table.Substitute(static_cast<uint8_t>(byte)), matches ? static_cast<uint8_t>(replacement) : byte)
                << "line for " << name << ", byte " << byte;
        }
    }
    std::setlocale(LC_CTYPE, "C");
}

}  // namespace
}  // namespace oprinter::test
