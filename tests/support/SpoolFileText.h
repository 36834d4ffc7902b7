#pragma once
// Spool file bytes for tests, laid out by the same pieces the service saves.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "datastream/DocumentText.h"
#include "datastream/SpoolFileLayout.h"

namespace oprinter::test {

// The text held in memory as a spool file holds it: every line with its CR LF.
inline std::string DocumentTextBytes(const DocumentText& text) {
    if (text.Spilled() != nullptr) throw std::logic_error("text on disk: read the saved spool file instead");
    std::vector<std::string_view> pieces;
    text.AppendPieces(pieces);
    std::string bytes;
    for (const std::string_view piece : pieces) bytes += piece;
    return bytes;
}

// A whole spool file whose text is lines.
inline std::string SpoolFileBytes(std::string_view attributeText, const std::vector<std::string>& lines) {
    DocumentText text;
    for (const std::string& line : lines) {
        text.StartLine();
        text.CurrentLine() = line;
    }
    return SpoolFileHeader(attributeText, text.Size()) + DocumentTextBytes(text);
}

}  // namespace oprinter::test
