#include <iostream>

#include "app/oprinterctl/Commands.h"

namespace oprinter::ctl {

int RunNew(const std::vector<std::string>&) {
    std::cerr << "oprinterctl new: not available in the Windows build; make the folder "
                 "C:\\ProgramData\\OPrinter\\NAME, put an OPrinter.cfg in it (oprinterctl scramble gives the "
                 "Password) and run OPrinter.exe INSTALL --folder C:\\ProgramData\\OPrinter\\NAME\n";
    return 2;
}

}  // namespace oprinter::ctl
