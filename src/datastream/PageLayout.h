#pragma once
// The text of the open document laid out into lines and pages: where the
// print position stands and how far the document reaches.
#include <cstdint>
#include <string_view>
#include <utility>

#include "datastream/CvTable.h"
#include "datastream/DocumentText.h"

namespace oprinter {

class PageLayout {
public:
    explicit PageLayout(SpillPlace spill = {}) : SpoolText(std::move(spill)) {}

    // An empty document: no line yet, every position 0.
    void Clear();
    // Frees the text's memory as well.
    void Release();

    // NUL and CR LF: column 1 of a new line.
    void CarriageReturnLineFeed();
    // CR alone: back to column 1; what follows overprints the current line.
    void CarriageReturn() { ColumnNo = 0; }
    // LF alone: a new line, the column kept.
    void LineFeed();
    // FF: the form feed ends the page's last line; line 1 of a new page.
    void FormFeed();
    // Characters that do not move the position, each at the next column
    // (through table; a blank replaces nothing).
    void PlaceCharacters(std::string_view run, const CvTable& table);
    // The page size reached so far, after each step.
    void UpdateMaxima();

    DocumentText SpoolText;
    int32_t LineNo = 0;    // line on the current page, from 1
    int32_t ColumnNo = 0;  // last column used on the current line, from 1
    int32_t MaxLines = 0;
    int32_t MaxColumns = 0;

private:
    void OpenFirstLineIfNone();
};

}  // namespace oprinter
