#include "datastream/SpoolFileReader.h"

#include <algorithm>
#include <cstdint>

#include "datastream/SpoolFileLayout.h"

namespace oprinter {
namespace {

constexpr size_t kInt32Size = 4;

class ByteCursor {
public:
    explicit ByteCursor(std::string_view bytes) : bytes_(bytes) {}

    int32_t Int32(const char* what) {
        if (bytes_.size() - offset_ < kInt32Size) {
            throw SpoolFileFormatError("file too short for " + std::string(what) + " at offset " +
                                       std::to_string(offset_) + " (" + std::to_string(Left()) + " bytes left)");
        }
        uint32_t value = 0;
        for (size_t i = 0; i < kInt32Size; ++i) {
            value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes_[offset_ + i])) << (8 * i);
        }
        offset_ += kInt32Size;
        return static_cast<int32_t>(value);
    }

    std::string_view Text(const char* what) {
        const int32_t length = Int32(what);
        if (length < 0) throw SpoolFileFormatError(std::string(what) + " is negative (" + std::to_string(length) + ")");
        const auto size = static_cast<size_t>(length);
        if (size > bytes_.size() - offset_) {
            throw SpoolFileFormatError(std::string(what) + " " + std::to_string(size) + " at offset " +
                                       std::to_string(offset_ - kInt32Size) + " runs past the end of the file (" +
                                       std::to_string(bytes_.size() - offset_) + " bytes left)");
        }
        const std::string_view text = bytes_.substr(offset_, size);
        offset_ += size;
        return text;
    }

    size_t Left() const { return bytes_.size() - offset_; }

private:
    std::string_view bytes_;
    size_t offset_ = 0;
};

// The item that starts at p; p is left on the comma after it or at the end.
std::string NextItem(std::string_view text, size_t& p) {
    if (p == text.size() || text[p] != '"') {
        const size_t end = std::min(text.find(',', p), text.size());
        const std::string item(text.substr(p, end - p));
        p = end;
        return item;
    }
    std::string item;
    for (++p;; ++p) {
        if (p >= text.size()) throw SpoolFileFormatError("the attribute text ends inside a quoted item");
        if (text[p] != '"') {
            item += text[p];
        } else if (p + 1 < text.size() && text[p + 1] == '"') {
            item += '"';
            ++p;
        } else {
            break;
        }
    }
    ++p;  // the closing quote
    if (p < text.size() && text[p] != ',') {
        throw SpoolFileFormatError("the attribute text has a byte after a quoted item at offset " + std::to_string(p));
    }
    return item;
}

}  // namespace

std::vector<std::string> SplitAttributeText(std::string_view text) {
    std::vector<std::string> items;
    if (text.empty()) return items;
    for (size_t p = 0;; ++p) {  // ++p steps over the comma
        items.push_back(NextItem(text, p));
        if (p == text.size()) return items;
    }
}

SpoolFileContent ParseSpoolFile(std::string_view bytes) {
    ByteCursor cursor(bytes);
    const int32_t version = cursor.Int32("the first value");
    if (version != kSpoolFileVersion) {
        throw SpoolFileFormatError("the first value is " + std::to_string(version) + ", not 1");
    }
    SpoolFileContent content;
    content.Attributes = SplitAttributeText(cursor.Text("the attribute text length"));
    content.Text = cursor.Text("the document text length");
    if (cursor.Left() > 0) {
        throw SpoolFileFormatError("the file goes on for " + std::to_string(cursor.Left()) +
                                   " bytes after the document text");
    }
    return content;
}

}  // namespace oprinter
