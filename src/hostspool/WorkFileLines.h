#pragma once
// The lines of a downloaded work file, read from disk a piece at a time: the
// file is never held in memory whole.
#include <cstddef>
#include <functional>
#include <string_view>

#include "hostspool/TempDownloadFile.h"

namespace oprinter {

// Of each line only this much is kept: the host's records are 170 columns
// wide, and nothing past column 170 is read.
inline constexpr size_t kWorkFileLineKept = 1024;

// Hands take the lines of file in order, each cut to kWorkFileLineKept bytes.
// CR LF, LF or CR end a line; text after the last line end is a line too.
void ForEachWorkFileLine(const TempDownloadFile& file, const std::function<void(std::string_view line)>& take);

}  // namespace oprinter
