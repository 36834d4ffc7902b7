// The print data decoder: SCS transparency segments collected across records
// and laid out into the lines and pages of the open document.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>

#include "datastream/PrintDataStream.h"

namespace oprinter {
namespace {

constexpr uint8_t kEndOfDocument = 0x00;
constexpr uint8_t kTransparency = 0x03;
constexpr char kNul = 0x00;
constexpr char kLineFeed = 0x0A;
constexpr char kFormFeed = 0x0C;
constexpr char kCarriageReturn = 0x0D;

bool MovesThePosition(char byte) {
    return byte == kNul || byte == kCarriageReturn || byte == kLineFeed || byte == kFormFeed;
}

// The position of the next byte from `at` on that moves the print position,
// or the end of the segment. All four are below 0x0E, so eight bytes are
// tested at a time for any byte that low; text seldom holds one.
size_t NextMovement(std::string_view segment, size_t at) {
    constexpr uint64_t kEachByte = 0x0101010101010101u;
    constexpr uint64_t kHighBits = 0x8080808080808080u;
    while (at + sizeof(uint64_t) <= segment.size()) {
        uint64_t word;
        std::memcpy(&word, segment.data() + at, sizeof word);
        if (((word - kEachByte * 0x0E) & ~word & kHighBits) == 0) {
            at += sizeof word;
            continue;
        }
        for (const size_t end = at + sizeof word; at < end; ++at) {
            if (MovesThePosition(segment[at])) return at;
        }
    }
    for (; at < segment.size(); ++at) {
        if (MovesThePosition(segment[at])) return at;
    }
    return segment.size();
}

}  // namespace

void PrintDataStream::ProcessPrintData(std::string_view data, size_t position) {
    size_t p = position;
    while (p < data.size()) {
        state_.SavePending = false;
        if (state_.SegmentRemaining == 0 && static_cast<uint8_t>(data[p]) == kEndOfDocument) {
            ++p;
            if (state_.DocumentOpen) {
                session_.WriteTrace(2, "Inizio Salvataggio");
                SaveSpoolFile();
                session_.WriteTrace(2, "Fine Salvataggio");
            }
            continue;
        }
        if (state_.SegmentRemaining == 0) {
            // Any other command is read as a transparency command all the same.
            if (static_cast<uint8_t>(data[p]) != kTransparency) session_.WriteLog(false, "0x03 not found.");
            ++p;
            // A count cut off by the end of the record is not looked for in the next one.
            state_.SegmentRemaining = p < data.size() ? static_cast<uint8_t>(data[p]) : 0;
            ++p;
            state_.SegmentBuffer.clear();
        }
        if (p >= data.size() || state_.SegmentRemaining == 0) continue;
        const size_t taken = std::min<size_t>(state_.SegmentRemaining, data.size() - p);
        const std::string_view piece = data.substr(p, taken);
        p += taken;
        state_.SegmentRemaining = static_cast<uint8_t>(state_.SegmentRemaining - taken);
        if (state_.SegmentRemaining == 0 && state_.SegmentBuffer.empty()) {
            CompleteSegment(piece);  // the whole segment in this record: decoded where it lies
            continue;
        }
        state_.SegmentBuffer.append(piece);
        if (state_.SegmentRemaining == 0) CompleteSegment(state_.SegmentBuffer);
    }
}

void PrintDataStream::CompleteSegment(std::string_view segment) {
    if (!state_.DocumentOpen) {
        session_.WriteTrace(2, "Inizio Allocazione Strutture");
        state_.OpenDocument();
    }
    session_.WriteTrace(2, "Inizio Decodifica");
    DecodeSegment(state_.SpoolText, segment);
    session_.WriteTrace(2, "Fine Decodifica");
    state_.LastDataTime = clock_.Steady();
    state_.SavePending = true;
}

void PrintDataStream::DecodeSegment(DocumentText& text, std::string_view segment) {
    try {
        for (size_t i = 0; i < segment.size();) {
            const char byte = segment[i];
            // A pair counts only when both bytes are in this segment.
            const char next = i + 1 < segment.size() ? segment[i + 1] : kNul;
            if (!MovesThePosition(byte)) {
                const size_t end = NextMovement(segment, i + 1);
                PlaceCharacters(text, segment.substr(i, end - i));
                i = end;
            } else if (byte == kNul) {
                FetchAttributes(text);
                ++i;
            } else if (byte == kCarriageReturn && next == kLineFeed) {
                CarriageReturnLineFeed(text);
                i += 2;
            } else if (byte == kCarriageReturn && next == kFormFeed) {
                FormFeed(text);
                i += 2;
            } else if (byte == kCarriageReturn) {
                // Back to column 1: what follows overprints the current line.
                state_.ColumnNo = 0;
                ++i;
            } else if (byte == kLineFeed) {
                LineFeed(text);
                ++i;
            } else {
                FormFeed(text);
                ++i;
            }
            state_.MaxLines = std::max(state_.MaxLines, state_.LineNo);
            state_.MaxColumns = std::max(state_.MaxColumns, state_.ColumnNo);
        }
    } catch (const std::exception& failure) {
        // The rest of the segment is dropped; what was placed stays.
        session_.WriteLog(false, failure.what());
    }
}

void PrintDataStream::FetchAttributes(DocumentText& text) {
    session_.WriteTrace(2, "Inizio Lettura Parametri");
    session_.ReadSpoolInfo(state_.SpoolInfo);
    session_.WriteTrace(2, "Fine Lettura Parametri");
    CarriageReturnLineFeed(text);
}

void PrintDataStream::CarriageReturnLineFeed(DocumentText& text) {
    ++state_.LineNo;
    state_.ColumnNo = 0;
    text.StartLine();
}

void PrintDataStream::LineFeed(DocumentText& text) {
    // The column stays: the next character goes one column further on the new line.
    ++state_.LineNo;
    text.StartLine();
}

void PrintDataStream::FormFeed(DocumentText& text) {
    OpenFirstLineIfNone(text);
    text.CurrentLine() += kFormFeed;
    text.StartLine();
    state_.ColumnNo = 0;
    state_.LineNo = 1;
}

// Each character takes the next column. A run is placed at once; the
// columns only grow along it, so the page size comes out as byte by byte.
void PrintDataStream::PlaceCharacters(DocumentText& text, std::string_view run) {
    OpenFirstLineIfNone(text);
    std::string& line = text.CurrentLine();
    const auto first = static_cast<size_t>(state_.ColumnNo);  // index of the run's first column
    state_.ColumnNo += static_cast<int32_t>(run.size());
    if (line.size() < first) line.append(first - line.size(), ' ');
    const size_t overprinted = std::min(run.size(), line.size() - first);
    char* const target = line.data() + first;
    for (size_t k = 0; k < overprinted; ++k) {
        // A blank replaces nothing, so what stands there stays.
        if (run[k] != ' ') target[k] = static_cast<char>(table_.Substitute(static_cast<uint8_t>(run[k])));
    }
    if (overprinted == run.size()) return;
    // The table never substitutes a blank, so blanks come out as blanks.
    const std::string_view appended = run.substr(overprinted);
    line.append(appended);
    table_.SubstituteInto(line.data() + first + overprinted, appended);
}

// Text that comes before any line movement starts line 1 of the page rather
// than being lost.
void PrintDataStream::OpenFirstLineIfNone(DocumentText& text) {
    if (!text.Empty()) return;
    text.StartLine();
    state_.LineNo = 1;
}

}  // namespace oprinter
