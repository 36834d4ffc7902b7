#pragma once
// The text of the document being laid out. The print position never goes
// back up a line, so every line but the current one is final: finished lines
// are kept as the spool file holds them, each followed by CR LF, in blocks
// that never move while the document grows. Only the current line stays open
// to overprinting.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace oprinter {

class DocumentText {
public:
    bool Empty() const { return lineCount_ == 0; }
    size_t LineCount() const { return lineCount_; }
    // Bytes of the text in a spool file: every line with its CR LF.
    size_t Size() const;

    // The last line; there must be one.
    std::string& CurrentLine() { return current_; }
    const std::string& CurrentLine() const { return current_; }
    // Finishes the current line, if any, and opens a new, empty one.
    void StartLine();

    // Appends the text, as a spool file holds it, in pieces to be written one
    // after the other.
    void AppendPieces(std::vector<std::string_view>& pieces) const;

    // Empties the text and frees its memory.
    void Release();

private:
    std::vector<std::string> blocks_;
    size_t finishedSize_ = 0;
    std::string current_;
    size_t lineCount_ = 0;
};

}  // namespace oprinter
