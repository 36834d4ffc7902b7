#pragma once
// Reads a spool file back into its attributes and its text.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace oprinter {

struct SpoolFileContent {
    std::vector<std::string> Attributes;  // name=value items, quoting removed
    std::string Text;                     // as received, CR LF after every line
};

class SpoolFileFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws SpoolFileFormatError, saying what is wrong, for bytes that do not
// have the layout; never reads outside them.
SpoolFileContent ParseSpoolFile(std::string_view bytes);

// The comma-separated items of an attribute text.
std::vector<std::string> SplitAttributeText(std::string_view text);

}  // namespace oprinter
