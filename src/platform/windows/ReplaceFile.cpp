#include <windows.h>
// windows.h names its own ReplaceFile API as a macro.
#undef ReplaceFile

#include "platform/ReplaceFile.h"

#include <stdexcept>

#include "platform/AppendFile.h"
#include "platform/SystemError.h"

namespace oprinter {

// Windows has no file modes; the folder's permissions apply.
void ReplaceFile(const std::string& fileName, std::string_view content, mode_t) {
    const std::string temporary = fileName + ".new";
    ::DeleteFileA(temporary.c_str());
    const auto fail = [&] {
        const int error = LastSystemError();
        ::DeleteFileA(temporary.c_str());
        throw std::runtime_error(fileName + ": " + SystemErrorText(error));
    };
    if (!AppendToFile(temporary, content)) fail();
    if (!::MoveFileExA(temporary.c_str(), fileName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) fail();
}

}  // namespace oprinter
