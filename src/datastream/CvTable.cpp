#include "datastream/CvTable.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

namespace oprinter {
namespace {

// The other case of an ISO 8859-1 letter, or the byte itself. The letters with
// no partner in the set (sharp s, y with diaeresis, micro) have none.
uint8_t OtherCase(uint8_t byte) {
    const bool latinCapital = byte >= 0xC0 && byte <= 0xDE && byte != 0xD7;
    const bool latinSmall = byte >= 0xE0 && byte <= 0xFE && byte != 0xF7;
    if ((byte >= 'A' && byte <= 'Z') || latinCapital) return static_cast<uint8_t>(byte + 0x20);
    if ((byte >= 'a' && byte <= 'z') || latinSmall) return static_cast<uint8_t>(byte - 0x20);
    return byte;
}

// A table has at most 256 lines that count; a file far larger is no table,
// and reading it all (a link to a device, say) might never end.
constexpr size_t kLargestFile = 1024 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::system_error FileError(const char* what, const std::string& fileName, int error) {
    return std::system_error(error, std::generic_category(), what + (" \"" + fileName + "\""));
}

}  // namespace

CvTable::CvTable() {
    for (int byte = 0; byte < 256; ++byte) replacement_[byte] = static_cast<uint8_t>(byte);
}

CvTable CvTable::FromFile(const std::string& fileName) {
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
    if (!file) throw FileError("Cannot open file", fileName, errno);
    std::string content;
    char chunk[4096];
    errno = 0;
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;) {
        content.append(chunk, got);
        if (content.size() > kLargestFile) throw FileError("Cannot read file", fileName, EFBIG);
    }
    if (std::ferror(file.get())) throw FileError("Cannot read file", fileName, errno);
    return FromText(content);
}

CvTable CvTable::FromText(std::string_view text) {
    CvTable table;
    std::array<bool, 256> decided{};
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        const std::string_view line = text.substr(start, end == std::string_view::npos ? text.npos : end - start);
        table.AddLine(line, decided);
        if (end == std::string_view::npos) break;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return table;
}

// The first matching line in file order decides a byte; later lines for the
// same letter, in either case, are not looked at.
void CvTable::AddLine(std::string_view line, std::array<bool, 256>& decided) {
    const size_t equals = line.find('=');
    if (equals != 1) return;  // no "=", or a name that is not one character
    const auto name = static_cast<uint8_t>(line[0]);
    if (name == ' ') return;  // blanks are never placed, so never substituted
    const bool hasValue = line.size() > 2;
    for (const uint8_t byte : {name, OtherCase(name)}) {
        if (decided[byte]) continue;
        decided[byte] = true;
        // A matching line with an empty value leaves the character as it is.
        replacement_[byte] = hasValue ? static_cast<uint8_t>(line[2]) : byte;
    }
}

// Eight lookups to a store: a store after every lookup makes each lookup
// wait for the store before it, the target being able to alias the table.
void CvTable::SubstituteInto(char* target, std::string_view source) const {
    constexpr size_t kWord = 8;
    size_t k = 0;
    for (; k + kWord <= source.size(); k += kWord) {
        char word[kWord];
        for (size_t b = 0; b < kWord; ++b) word[b] = static_cast<char>(replacement_[static_cast<uint8_t>(source[k + b])]);
        std::memcpy(target + k, word, kWord);
    }
    for (; k < source.size(); ++k) target[k] = static_cast<char>(replacement_[static_cast<uint8_t>(source[k])]);
}

}  // namespace oprinter
