// Record bytes in, spool file bytes out, against the golden files in golden/
// (made by golden/make_golden.py from lines worked out by hand). The host's
// telnet stream is built from the records and fed to the session's protocol,
// whole and split at every byte.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "support/FakeClock.h"
#include "support/StreamDriver.h"

namespace oprinter::test {
namespace {

const std::string kGolden = OPRINTER_SOURCE_DIR "/tests/datastream/golden/";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Strings Attributes() {
    std::istringstream lines(ReadFile(kGolden + "attributes.txt"));
    Strings attributes;
    for (std::string line; std::getline(lines, line);) attributes.push_back(line);
    return attributes;
}

// Each record (it begins with its 2-byte length) with IAC doubled and IAC EOR after it.
std::string TelnetStream(const std::string& records) {
    std::string stream;
    for (size_t at = 0; at + 2 <= records.size();) {
        const size_t length = static_cast<uint8_t>(records[at]) * 256u + static_cast<uint8_t>(records[at + 1]);
        for (const char byte : records.substr(at, length)) stream += byte == '\xFF' ? "\xFF\xFF" : std::string(1, byte);
        stream += "\xFF\xEF";
        at += length;
    }
    return stream;
}

// The spool files that the stream, fed in the given pieces, gives.
Strings SpoolFiles(const std::vector<std::string_view>& pieces) {
    static const Strings attributes = Attributes();
    FakeClock clock;
    RecordingSession session;
    Strings files;
    int calls = 0;  // found, not found, found...
    session.readSpoolInfo = [&](Strings& info) { return calls++ % 2 == 0 && (info = attributes, true); };
    session.saveSpoolFile = [&](const SpoolDocument& document) { files.push_back(SpoolFileBytes(document)); };
    StreamDriver stream(session, clock, CvTable());
    for (const std::string_view piece : pieces) stream.Receive(piece);
    EXPECT_FALSE(stream.Core().Ended());
    return files;
}

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, RecordsGiveTheSpoolFile) {
    const std::string stream = TelnetStream(ReadFile(kGolden + GetParam() + ".records"));
    EXPECT_EQ(SpoolFiles({stream}), Strings{ReadFile(kGolden + GetParam() + ".spool")});
}

TEST_P(Golden, StreamSplitAtEveryByteGivesTheSameSpoolFile) {
    const std::string stream = TelnetStream(ReadFile(kGolden + GetParam() + ".records"));
    const Strings whole = SpoolFiles({stream});
    const std::string_view all(stream);
    for (size_t cut = 1; cut < stream.size(); ++cut) {
        EXPECT_EQ(SpoolFiles({all.substr(0, cut), all.substr(cut)}), whole) << "cut at " << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(Decoder, Golden, ::testing::Values("letter", "overprint", "split-segment", "empty-segments"));

}  // namespace
}  // namespace oprinter::test
