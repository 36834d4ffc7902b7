// The host's byte stream straight into the session's protocol, in process:
// attribute retrieval answered at once, spool files built in memory. Whatever
// the host sends, every reply is a well-formed telnet item, no record gets
// more than one reply, every spool file reads back, and the session never
// stays stuck waiting.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "datastream/CvTable.h"
#include "datastream/SpoolFileName.h"
#include "datastream/SpoolFileReader.h"
#include "support/StreamDriver.h"

using namespace oprinter;
using fuzz::Require;

namespace {

constexpr uint8_t kIac = 0xFF, kSb = 0xFA, kSe = 0xF0, kEor = 0xEF, kWill = 0xFB, kDont = 0xFE;
// The reply record of every print record, before its IAC EOR.
constexpr std::string_view kReplyRecord("\x00\x0A\x12\xA0\x01\x02\x04\x00\x00\x01", 10);
// What the session module reads from the socket at a time; a failing record
// loses the rest of its read.
constexpr size_t kReceiveSize = 255;
const std::string kSpoolFolder = "/spool/";

// The attributes the host lists for the document being printed; the user
// data needs quoting in the spool file.
const std::vector<std::string> kAnswer = {
    "Versione=V7R4M0", "Nome=VENDITE",     "Utente=ROSSI",        "Unita=PRT01",        "DatiUtente=ORD,\"4711\" A",
    "Stato=WTR",       "PagineTotali=3",   "PagineAttuali=1",     "NumeroCopie=1",      "Modulo=*STD",
    "Tipo=",           "Priorit\xE0=5",    "DataCreazione=08/12/26", "OraCreazione=09:15:30", "NumeroFile=7",
    "NomeLavoro=VENDMENS", "Numero=482913", "Coda=PRT01",         "Libreria=QUSRSYS",   "ASP=1",
    "DataUtilizzo=",   "Dimensione=48"};

// A clock that moves on by two seconds whenever it is read, so that the save
// timer finds every stop long enough.
class TickingClock final : public Clock {
public:
    LocalDateTime Now() const override { return {2026, 12, 8, 9, 15, 30, 123, 2}; }
    std::chrono::steady_clock::time_point Steady() const override {
        elapsed_ += std::chrono::seconds(2);
        return std::chrono::steady_clock::time_point(elapsed_);
    }
    void Sleep(std::chrono::milliseconds duration) override { elapsed_ += duration; }

private:
    mutable std::chrono::milliseconds elapsed_{0};
};

// Negotiation answers (IAC verb option, IAC SB ... IAC SE) and reply records
// ended by IAC EOR; nothing else, nothing cut off.
size_t CheckReplies(std::string_view bytes) {
    size_t records = 0;
    std::string record;
    for (size_t i = 0; i < bytes.size();) {
        const auto at = [&](size_t k) { return k < bytes.size() ? static_cast<uint8_t>(bytes[k]) : 0; };
        if (at(i) != kIac) {
            record += bytes[i++];
            continue;
        }
        Require(i + 1 < bytes.size(), "no reply ends inside a telnet command");
        const uint8_t verb = at(i + 1);
        if (verb == kIac) {
            record += '\xFF', i += 2;
        } else if (verb == kEor) {
            Require(record == kReplyRecord, "every record the printer sends is the 12-byte reply");
            record.clear(), ++records, i += 2;
        } else if (verb >= kWill && verb <= kDont) {
            Require(record.empty() && i + 2 < bytes.size(), "an option answer is three bytes, between records");
            i += 3;
        } else if (verb == kSb) {
            Require(record.empty(), "a subnegotiation comes between records");
            size_t end = i + 2;
            while (end + 1 < bytes.size() && !(at(end) == kIac && at(end + 1) == kSe)) end += at(end) == kIac ? 2 : 1;
            Require(end + 1 < bytes.size(), "a subnegotiation ends with IAC SE");
            i = end + 2;
        } else {
            Require(false, "the printer sends only option answers, subnegotiations and records");
        }
    }
    Require(record.empty(), "no reply record is cut off");
    return records;
}

bool IsSizeLine(const std::string& item, std::string_view name) {
    if (!item.starts_with(name) || item.size() == name.size()) return false;
    return std::all_of(item.begin() + static_cast<std::ptrdiff_t>(name.size()), item.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

// A spool file reads back with the attributes it was given and whole lines,
// and its name stays in the spool folder.
void CheckSpoolFile(const SpoolDocument& document) {
    SpoolFileContent content;
    try {
        content = ParseSpoolFile(test::SpoolFileBytes(document));
    } catch (const SpoolFileFormatError& failure) {
        Require(false, failure.what());
    }
    std::vector<std::string>& items = content.Attributes;
    Require(items.size() >= 2 && IsSizeLine(items[items.size() - 2], "RighePerPagina=") &&
                IsSizeLine(items.back(), "CaratteriPerRiga="),
            "the attributes end with the page size");
    items.resize(items.size() - 2);
    Require(items.empty() || items == kAnswer, "the attributes are the host's, as given");
    Require(content.Text.empty() || content.Text.ends_with("\r\n"), "the text is whole lines");
    const std::string name = SpoolFileName(kSpoolFolder, NomeOf(document.SpoolInfo), TickingClock().Now());
    Require(name.starts_with(kSpoolFolder) && name.find('/', kSpoolFolder.size()) == std::string::npos,
            "the spool file lands in the spool folder");
}

const CvTable& SampleCvTable() {
    static const CvTable table = CvTable::FromFile(OPRINTER_SOURCE_DIR "/samples/CvTable");
    return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TickingClock clock;
    test::RecordingSession session;
    // Trace texts and the event record are fixed texts that no input changes;
    // building them would only slow the fuzzing down.
    session.recording = false;
    // Found, not found, found...: a document may end up with or without attributes.
    int calls = 0;
    session.readSpoolInfo = [&calls](std::vector<std::string>& spoolInfo) {
        if (calls++ % 2 != 0) return false;
        spoolInfo = kAnswer;
        return true;
    };
    session.saveSpoolFile = CheckSpoolFile;
    test::StreamDriver stream(session, clock, SampleCvTable(), 0);

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (size_t at = 0; at < bytes.size() && !stream.Core().Ended(); at += kReceiveSize) {
        stream.Receive(bytes.substr(at, kReceiveSize));
        stream.TimerSaveTimer();
        Require(stream.Core().Ready() || stream.Core().Ended(), "every answer given, the session takes input again");
    }
    // The replies to the host in the order they went out.
    const size_t acknowledged = CheckReplies(session.sent);
    const auto endMarks = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), static_cast<char>(kEor)));
    Require(acknowledged <= endMarks, "no more replies than records");
    return 0;
}
