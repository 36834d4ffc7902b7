#include "datastream/PageLayout.h"

#include <algorithm>
#include <string>

namespace oprinter {
namespace {
constexpr char kFormFeed = 0x0C;
}  // namespace

void PageLayout::Clear() {
    SpoolText.Release();
    LineNo = 0;
    ColumnNo = 0;
    MaxLines = 0;
    MaxColumns = 0;
}

void PageLayout::Release() { SpoolText.Release(); }

void PageLayout::CarriageReturnLineFeed() {
    ++LineNo;
    ColumnNo = 0;
    SpoolText.StartLine();
}

void PageLayout::LineFeed() {
    // The column stays: the next character goes one column further on the new line.
    ++LineNo;
    SpoolText.StartLine();
}

void PageLayout::FormFeed() {
    OpenFirstLineIfNone();
    SpoolText.CurrentLine() += kFormFeed;
    SpoolText.StartLine();
    ColumnNo = 0;
    LineNo = 1;
}

// A run is placed at once; the columns only grow along it, so the page size
// comes out as byte by byte.
void PageLayout::PlaceCharacters(std::string_view run, const CvTable& table) {
    OpenFirstLineIfNone();
    std::string& line = SpoolText.CurrentLine();
    const auto first = static_cast<size_t>(ColumnNo);  // index of the run's first column
    ColumnNo += static_cast<int32_t>(run.size());
    if (line.size() < first) line.append(first - line.size(), ' ');
    const size_t overprinted = std::min(run.size(), line.size() - first);
    char* const target = line.data() + first;
    for (size_t k = 0; k < overprinted; ++k) {
        // A blank replaces nothing, so what stands there stays.
        if (run[k] != ' ') target[k] = static_cast<char>(table.Substitute(static_cast<uint8_t>(run[k])));
    }
    if (overprinted == run.size()) return;
    // The table never substitutes a blank, so blanks come out as blanks.
    const std::string_view appended = run.substr(overprinted);
    line.append(appended);
    table.SubstituteInto(line.data() + first + overprinted, appended);
}

void PageLayout::UpdateMaxima() {
    MaxLines = std::max(MaxLines, LineNo);
    MaxColumns = std::max(MaxColumns, ColumnNo);
}

// Text that comes before any line movement starts line 1 of the page rather
// than being lost.
void PageLayout::OpenFirstLineIfNone() {
    if (!SpoolText.Empty()) return;
    SpoolText.StartLine();
    LineNo = 1;
}

}  // namespace oprinter
