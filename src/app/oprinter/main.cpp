// oprinter: the service. Without switches it runs in the foreground, as
// systemd runs it; INSTALL and UNINSTALL register and remove the unit.
#include <iostream>
#include <string>
#include <vector>

#include "app/oprinter/MakePdfs.h"
#include "app/oprinter/RunService.h"
#include "platform/ServiceInstaller.h"
#include "service/CommandLine.h"
#include "service/ServiceRegistration.h"
#include "session/PdfCopyQueue.h"

int main(int argc, char** argv) {
    using namespace oprinter;
    // The session starts this program again to make PDFs away from its loop.
    if (argc > 1 && argv[1] == kPdfMakerSwitch) return MakePdfs(std::vector<std::string>(argv + 2, argv + argc));
    const CommandLine commandLine = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!commandLine.install && !commandLine.uninstall) return RunService();
    ProcessSystemctl systemctl;
    ServiceInstaller installer(kSystemUnitFolder, systemctl);
    return RunRegistration(commandLine, installer, ExecutablePath, std::cout, std::cerr);
}
