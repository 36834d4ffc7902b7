// oprinterctl: the admin tool beside the service's executable.
#include <cstdio>
#include <string>
#include <vector>

#include "app/oprinterctl/Commands.h"

namespace {

void Usage() {
    std::fputs(
        "usage: oprinterctl --version\n"
        "       oprinterctl scramble [PASSWORD]\n"
        "       oprinterctl check [--json] [FOLDER]\n"
        "       oprinterctl show [--json | --text] [--raw] [--charset NAME] FILE.spool\n"
        "       oprinterctl pdf FILE.spool [-o OUT.pdf] [--paper a4|letter] [--charset NAME]\n"
        "       oprinterctl status [--json] [FOLDER...]\n"
        "       oprinterctl new NAME --host HOST --device DEVICE --user USER [--password-stdin] [--root DIR]\n",
        stderr);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        Usage();
        return 2;
    }
    const std::string command = argv[1];
    if (command == "--version") {
        std::printf("oprinterctl %s\n", OPRINTER_VERSION);
        return 0;
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "scramble") return oprinter::ctl::RunScramble(args);
    if (command == "check") return oprinter::ctl::RunCheck(args);
    if (command == "show") return oprinter::ctl::RunShow(args);
    if (command == "pdf") return oprinter::ctl::RunPdf(args);
    if (command == "status") return oprinter::ctl::RunStatus(args);
    if (command == "new") return oprinter::ctl::RunNew(args);
    Usage();
    return 2;
}
