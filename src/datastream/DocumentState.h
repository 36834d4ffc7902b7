#pragma once
// What the print data decoder keeps from one record to the next: the
// transparency segment being collected and the document being laid out.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "datastream/DocumentText.h"

namespace oprinter {

struct DocumentState {
    // Bytes of the current segment still to come; 0 at a command position.
    uint8_t SegmentRemaining = 0;
    std::string SegmentBuffer;

    // A document is open from its first completed segment until it is saved
    // or discarded; SpoolText and SpoolInfo are meaningful only while it is.
    bool DocumentOpen = false;
    DocumentText SpoolText;
    std::vector<std::string> SpoolInfo;  // name=value attribute lines

    int32_t LineNo = 0;    // line on the current page, from 1
    int32_t ColumnNo = 0;  // last column used on the current line, from 1
    int32_t MaxLines = 0;
    int32_t MaxColumns = 0;

    // Set when a segment has just been decoded and no later step ran.
    bool SavePending = false;
    std::chrono::steady_clock::time_point LastDataTime{};

    void OpenDocument();
    // Frees the document's memory; no document is open afterwards.
    void ReleaseDocument();
};

}  // namespace oprinter
