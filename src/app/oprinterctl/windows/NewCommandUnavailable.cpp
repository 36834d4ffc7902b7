#include <iostream>

#include "app/oprinterctl/Commands.h"

namespace oprinter::ctl {

int RunNew(const std::vector<std::string>&) {
    std::cerr << "oprinterctl new: not available in the Windows build; copy the folder of OPrinter.exe, "
                 "edit its OPrinter.cfg (oprinterctl scramble gives the Password) and run OPrinter.exe INSTALL\n";
    return 2;
}

}  // namespace oprinter::ctl
