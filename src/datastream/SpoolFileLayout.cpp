#include "datastream/SpoolFileLayout.h"

#include <limits>
#include <stdexcept>

namespace oprinter {
namespace {

bool NeedsQuotes(std::string_view item) {
    for (const char c : item) {
        if (static_cast<uint8_t>(c) <= 0x20 || c == '"' || c == ',') return true;
    }
    return false;
}

void AppendItem(std::string& text, std::string_view item) {
    if (!NeedsQuotes(item)) {
        text += item;
        return;
    }
    text += '"';
    for (const char c : item) {
        if (c == '"') text += '"';
        text += c;
    }
    text += '"';
}

void AppendInt32(std::string& bytes, size_t value) {
    if (value > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        throw std::runtime_error("Document too large for a spool file");
    }
    for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>((value >> shift) & 0xFF);
}

}  // namespace

std::string AttributeText(const std::vector<std::string>& items) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += ',';
        AppendItem(text, items[i]);
    }
    return text;
}

std::string SpoolFileHeader(std::string_view attributeText, size_t textSize) {
    std::string bytes;
    bytes.reserve(12 + attributeText.size());
    AppendInt32(bytes, kSpoolFileVersion);
    AppendInt32(bytes, attributeText.size());
    bytes += attributeText;
    AppendInt32(bytes, textSize);
    return bytes;
}

SpoolFileParts SpoolFilePartsOf(const SpoolDocument& document) {
    // The size lines go into the file only, so a save that fails and is made
    // again later does not carry them twice.
    std::vector<std::string> attributes = document.SpoolInfo;
    attributes.push_back("RighePerPagina=" + std::to_string(document.Layout.MaxLines));
    attributes.push_back("CaratteriPerRiga=" + std::to_string(document.Layout.MaxColumns));
    const DocumentText& text = document.Layout.SpoolText;
    SpoolFileParts parts{SpoolFileHeader(AttributeText(attributes), text.Size()), text.Spilled(), {}};
    text.AppendPieces(parts.Text);
    return parts;
}

}  // namespace oprinter
