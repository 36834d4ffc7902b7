#include "app/oprinter/MakePdfs.h"

#include <cstdio>

namespace oprinter {

int MakePdfs(const std::vector<std::string>& arguments) {
    // The character set comes first; each spool file gets its report line.
    for (size_t i = 1; i < arguments.size(); ++i)
        std::printf("error %s: PDF copies are not available in the Windows build\n", arguments[i].c_str());
    return 1;
}

}  // namespace oprinter
