#include <iostream>

#include "app/oprinterctl/Commands.h"

namespace oprinter::ctl {

int RunPdf(const std::vector<std::string>&) {
    std::cerr << "oprinterctl pdf: not available in the Windows build (it needs cairo); copy the .spool file "
                 "to a Linux machine with oprinter and run oprinterctl pdf there\n";
    return 1;
}

}  // namespace oprinter::ctl
