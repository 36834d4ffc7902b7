#pragma once
// The text of the document being laid out. The print position never goes
// back up a line, so every line but the current one is final: finished lines
// are kept as the spool file holds them, each followed by CR LF, in blocks
// that never move while the document grows. Only the current line stays open
// to overprinting. Past a threshold the finished lines go on to disk, so a
// document of any size takes the same memory.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/SpillFile.h"

namespace oprinter {

inline constexpr size_t kSpillThreshold = 8 * 1024 * 1024;

// Where finished lines go once more than Threshold bytes of them are in
// memory: a spill file in Folder (ends with "/"). With no Folder they stay in
// memory.
struct SpillPlace {
    std::string Folder;
    size_t Threshold = kSpillThreshold;
};

class DocumentText {
public:
    DocumentText() = default;
    explicit DocumentText(SpillPlace place) : place_(std::move(place)) {}

    bool Empty() const { return lineCount_ == 0; }
    size_t LineCount() const { return lineCount_; }
    // Bytes of the text in a spool file: every line with its CR LF.
    size_t Size() const;

    // The last line; there must be one.
    std::string& CurrentLine() { return current_; }
    const std::string& CurrentLine() const { return current_; }
    // Finishes the current line, if any, and opens a new, empty one.
    void StartLine();

    // Moves the finished lines in memory to the spill file once more than the
    // threshold of them are there. When that fails it says why: the lines
    // stay in memory, whole, and the next try comes once as many again have
    // gathered.
    std::optional<std::string> SpillIfDue();

    // The text, as a spool file holds it: first what went on to disk (none:
    // nullptr), then the pieces still in memory, to be written one after the
    // other.
    const SpillFile* Spilled() const { return spilled_.get(); }
    void AppendPieces(std::vector<std::string_view>& pieces) const;

    // Empties the text and frees its memory and its spill file.
    void Release();

private:
    std::string SpillFailure(int error);
    std::string& BlockWithRoom(size_t needed);

    SpillPlace place_;
    size_t nextSpillAt_ = place_.Threshold;
    std::unique_ptr<SpillFile> spilled_;
    std::vector<std::string> blocks_;
    std::vector<std::string> spare_;  // emptied by a spill, to be filled again
    size_t heldSize_ = 0;             // finished bytes in blocks_
    std::string current_;
    size_t lineCount_ = 0;
};

}  // namespace oprinter
