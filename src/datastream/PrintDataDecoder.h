#pragma once
// The print data decoder, free of I/O: the SCS data of print records in, the
// lines and pages of the open document out. Where the session has to act it
// stops and says so; the session acts and runs it again, and it goes on from
// where it stopped:
//   Begin(data of one record); then Run() until dsFinished, and on
//   dsAttributesWanted: fill SpoolInfo() (or AttributesFailed), Run() again;
//   dsDocumentEnded:    save Document(), DocumentSaved(), Run() again.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datastream/CvTable.h"
#include "datastream/PageLayout.h"
#include "datastream/SaveBookkeeping.h"
#include "datastream/SegmentAssembly.h"
#include "datastream/SpoolFileLayout.h"
#include "datastream/StreamLog.h"
#include "platform/Clock.h"

namespace oprinter {

enum TDecoderStop : uint8_t {
    dsFinished,          // the record's data is used up
    dsAttributesWanted,  // a NUL in the text: fetch the spooled file's attributes
    dsDocumentEnded,     // an end-of-document mark: save the document
};

class PrintDataDecoder {
public:
    // The document's finished lines go on to disk as spill says.
    PrintDataDecoder(StreamLog& log, const Clock& clock, CvTable table, SpillPlace spill = {});

    // The data of a print record, from its first byte after the variable
    // header; it must stay in place until Run() gives dsFinished.
    void Begin(std::string_view data);
    TDecoderStop Run();

    // At dsAttributesWanted: where the attributes go (the latest successful
    // fetch stands), or the failure that drops the rest of the segment.
    std::vector<std::string>& SpoolInfo() { return spoolInfo_; }
    void AttributesFailed(std::string_view message);

    // At dsDocumentEnded: the document to write, and, once it is written, its
    // release. A failed save leaves it open.
    SpoolDocument Document() const { return {spoolInfo_, layout_}; }
    void DocumentSaved();

    // A startup response: the document is dropped, the next data begins at a
    // command position.
    void StartupResponse();
    // The data stopped too long after a complete segment: the document is given up.
    bool WriterRestartDue() const { return bookkeeping_.PauseTooLong(clock_.Steady()); }
    void DiscardDocument();

    bool DocumentOpen() const { return documentOpen_; }
    const PageLayout& Layout() const { return layout_; }
    const SaveBookkeeping& Bookkeeping() const { return bookkeeping_; }

private:
    void StartSegment(std::string_view segment);
    bool DecodeSegment();
    bool DecodeStep();
    void FinishSegment();
    void ReleaseDocument();

    StreamLog& log_;
    const Clock& clock_;
    CvTable table_;

    std::string_view data_;  // the record being decoded
    size_t p_ = 0;           // next byte of data_
    SegmentAssembly segment_;

    std::string_view decoding_;  // the segment being decoded
    size_t at_ = 0;              // next byte of decoding_
    bool inSegment_ = false;
    bool awaitingAttributes_ = false;

    bool documentOpen_ = false;
    std::vector<std::string> spoolInfo_;  // name=value attribute lines
    PageLayout layout_;
    SaveBookkeeping bookkeeping_;
};

}  // namespace oprinter
