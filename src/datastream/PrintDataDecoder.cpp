// The print data decoder: SCS transparency segments collected across records
// and laid out into the lines and pages of the open document.
#include "datastream/PrintDataDecoder.h"

#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <utility>

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

PrintDataDecoder::PrintDataDecoder(StreamLog& log, const Clock& clock, CvTable table, SpillPlace spill)
    : log_(log), clock_(clock), table_(std::move(table)), layout_(std::move(spill)) {}

void PrintDataDecoder::Begin(std::string_view data) {
    data_ = data;
    p_ = 0;
    inSegment_ = false;
    awaitingAttributes_ = false;
}

TDecoderStop PrintDataDecoder::Run() {
    if (inSegment_ && !DecodeSegment()) return dsAttributesWanted;
    while (p_ < data_.size()) {
        bookkeeping_.SavePending = false;
        if (segment_.AtCommand() && static_cast<uint8_t>(data_[p_]) == kEndOfDocument) {
            ++p_;
            if (!documentOpen_) continue;
            log_.WriteTrace(2, "Inizio Salvataggio");
            return dsDocumentEnded;
        }
        if (segment_.AtCommand()) {
            // Any other command is read as a transparency command all the same.
            if (static_cast<uint8_t>(data_[p_]) != kTransparency) log_.WriteLog(false, "0x03 not found.");
            ++p_;
            // A count cut off by the end of the record is not looked for in the next one.
            segment_.Start(p_ < data_.size() ? static_cast<uint8_t>(data_[p_]) : 0);
            ++p_;
        }
        if (const std::optional<std::string_view> whole = segment_.Collect(data_, p_)) {
            StartSegment(*whole);
            if (!DecodeSegment()) return dsAttributesWanted;
        }
    }
    return dsFinished;
}

void PrintDataDecoder::StartSegment(std::string_view segment) {
    if (!documentOpen_) {
        log_.WriteTrace(2, "Inizio Allocazione Strutture");
        documentOpen_ = true;
        spoolInfo_.clear();
        layout_.Clear();
    }
    log_.WriteTrace(2, "Inizio Decodifica");
    decoding_ = segment;
    at_ = 0;
    inSegment_ = true;
}

// Lays the segment's bytes into the document, from where it stopped; false
// when it stops at a NUL for the attributes. A failure drops the rest of the
// segment; what was placed stays.
bool PrintDataDecoder::DecodeSegment() {
    try {
        if (awaitingAttributes_) {
            awaitingAttributes_ = false;
            log_.WriteTrace(2, "Fine Lettura Parametri");
            layout_.CarriageReturnLineFeed();
            layout_.UpdateMaxima();
        }
        while (at_ < decoding_.size()) {
            if (!DecodeStep()) return false;
            layout_.UpdateMaxima();
        }
    } catch (const std::exception& failure) {
        log_.WriteLog(false, failure.what());
    }
    FinishSegment();
    return true;
}

// One row of the byte table: a run of characters, a movement, or a NUL,
// which stops for the attributes (false).
bool PrintDataDecoder::DecodeStep() {
    const char byte = decoding_[at_];
    // A pair counts only when both bytes are in this segment.
    const char next = at_ + 1 < decoding_.size() ? decoding_[at_ + 1] : kNul;
    if (!MovesThePosition(byte)) {
        const size_t end = NextMovement(decoding_, at_ + 1);
        layout_.PlaceCharacters(decoding_.substr(at_, end - at_), table_);
        at_ = end;
        return true;
    }
    ++at_;
    if (byte == kNul) {
        log_.WriteTrace(2, "Inizio Lettura Parametri");
        awaitingAttributes_ = true;
        return false;
    }
    if (byte == kCarriageReturn && next == kLineFeed) {
        ++at_;
        layout_.CarriageReturnLineFeed();
    } else if (byte == kCarriageReturn && next == kFormFeed) {
        ++at_;
        layout_.FormFeed();
    } else if (byte == kCarriageReturn) {
        layout_.CarriageReturn();
    } else if (byte == kLineFeed) {
        layout_.LineFeed();
    } else {
        layout_.FormFeed();
    }
    return true;
}

void PrintDataDecoder::FinishSegment() {
    inSegment_ = false;
    if (const std::optional<std::string> failure = layout_.SpoolText.SpillIfDue()) log_.WriteLog(false, *failure);
    log_.WriteTrace(2, "Fine Decodifica");
    bookkeeping_.SegmentDecoded(clock_.Steady());
}

void PrintDataDecoder::AttributesFailed(std::string_view message) {
    log_.WriteLog(false, message);
    awaitingAttributes_ = false;
    at_ = decoding_.size();
}

void PrintDataDecoder::DocumentSaved() {
    bookkeeping_.SavePending = false;
    ReleaseDocument();
    log_.WriteTrace(2, "Fine Allocazione Strutture");
    log_.WriteTrace(2, "Fine Salvataggio");
}

void PrintDataDecoder::StartupResponse() {
    ReleaseDocument();
    segment_.Reset();
}

void PrintDataDecoder::DiscardDocument() {
    bookkeeping_.SavePending = false;
    ReleaseDocument();
}

void PrintDataDecoder::ReleaseDocument() {
    documentOpen_ = false;
    layout_.Release();
    std::vector<std::string>().swap(spoolInfo_);
}

}  // namespace oprinter
