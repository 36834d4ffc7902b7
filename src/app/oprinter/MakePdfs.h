#pragma once
#include <string>
#include <vector>

namespace oprinter {

// The PDF maker the after-save queue starts (AfterSaveQueue): arguments are the
// character set and the spool files; writes each file's PDF beside it and
// one report line per file, "ok " + PDF path or "error " + spool path + ": "
// + message. Returns the exit status.
int MakePdfs(const std::vector<std::string>& arguments);

}  // namespace oprinter
