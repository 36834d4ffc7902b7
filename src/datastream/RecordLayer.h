#pragma once
// The 5250 record layer, free of I/O: a record's bytes in, what it is out.
// It keeps no state from one record to the next.
#include <cstdint>
#include <string>
#include <string_view>

#include "datastream/StreamLog.h"

namespace oprinter {

enum TRecordKind : uint8_t {
    rkDropped,          // too short for its header; already logged
    rkAbort,            // an unknown data flow: Text ends the session
    rkStartupResponse,  // Text is the status text
    rkPrintRecord,      // PrintData goes to the decoder, then the record is acknowledged
};

struct RecordOutcome {
    TRecordKind Kind = rkDropped;
    std::string Text;
    std::string_view PrintData;  // within the record handed in
};

class RecordLayer {
public:
    explicit RecordLayer(StreamLog& log) : log_(log) {}

    // Throws std::exception on a failure that the read handler logs as
    // "Read Error: " + what(); nothing is changed then and nothing is sent.
    RecordOutcome Take(std::string_view record) const;

    // The reply that acknowledges a print record, the same for every one.
    static std::string_view Acknowledgement();
    // The trace lines of a reply just sent.
    void TraceAcknowledgement() const;

private:
    StreamLog& log_;
};

}  // namespace oprinter
