#pragma once
// The site's character substitution table, read from the file "CvTable":
// lines c=r store the character c of the print data as r.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace oprinter {

class CvTable {
public:
    CvTable();  // empty: nothing is substituted
    // Throws std::system_error, with the reason as its code, when the file
    // is missing or cannot be read.
    static CvTable FromFile(const std::string& fileName);
    // The file's content; CR LF, CR or LF ends a line.
    static CvTable FromText(std::string_view text);

    // The byte to store for a byte of the print data.
    uint8_t Substitute(uint8_t byte) const { return replacement_[byte]; }
    // Stores the bytes of source, each substituted, from target on.
    void SubstituteInto(char* target, std::string_view source) const;

private:
    void AddLine(std::string_view line, std::array<bool, 256>& decided);

    // Worked out once at load, so decoding costs one lookup per byte.
    std::array<uint8_t, 256> replacement_;
};

}  // namespace oprinter
