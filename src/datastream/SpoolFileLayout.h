#pragma once
// The bytes of a spool file. All integers are 32-bit signed little-endian:
//   1, N1, attribute text (N1 bytes), N2, document text (N2 bytes)
// The attribute text joins the name=value items with ","; an item holding a
// byte up to 0x20, a '"' or a ',' is written between '"' with every '"' doubled.
// The document text is every line followed by CR LF.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datastream/PageLayout.h"
#include "platform/SpillFile.h"

namespace oprinter {

inline constexpr int32_t kSpoolFileVersion = 1;

std::string AttributeText(const std::vector<std::string>& items);

// What comes before the document text: 1, N1, the attribute text, N2.
// Throws std::runtime_error when a text is too long for its 32-bit length.
std::string SpoolFileHeader(std::string_view attributeText, size_t textSize);

// A finished document as a save writes it.
struct SpoolDocument {
    const std::vector<std::string>& SpoolInfo;  // the host's attribute lines
    const PageLayout& Layout;
};

// The whole spool file of a document, written in this order: the header, the
// text that went on to disk, then the text still in memory in pieces.
struct SpoolFileParts {
    std::string Header;
    const SpillFile* Spilled = nullptr;
    std::vector<std::string_view> Text;
};

// The page size lines follow the attribute lines.
SpoolFileParts SpoolFilePartsOf(const SpoolDocument& document);

}  // namespace oprinter
