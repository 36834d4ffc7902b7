#include "app/oprinter/Usage.h"

#include "platform/ServiceHost.h"

namespace oprinter {

std::string UsageText(const std::string& exeFolder) {
    const ServiceHostHelp& host = HostHelp();
    return "usage: oprinter [--folder DIR]\n"
           "       oprinter INSTALL [SILENT] | UNINSTALL [SILENT]\n"
           "       oprinter --help | --version\n"
           "\n"
           "The Orvo Printer Service: an IBM 3812 printer of an IBM i host that saves\n"
           "each spooled file it receives as a .spool file.\n"
           "\n"
           + host.run +
           "  --folder DIR    keep OPrinter.cfg, CvTable, Spool/, tmp/ and the logs in DIR\n"
           "                  instead of the executable's folder; the service is then\n"
           "                  the instance O3812Printer@NAME, NAME being DIR's last name\n"
           + host.registration +
           "  SILENT          with INSTALL or UNINSTALL: print nothing on success\n"
           "  --help, -h, /?  this text\n"
           "  --version       the version\n"
           "\n"
           "Folder without --folder: " + exeFolder + "\n"
           "Configuration:  OPrinter.cfg in the folder (\"oprinterctl check DIR\" shows it)\n"
           "Logs:           \"OPrinter yyyy-mm-dd.log\" in the folder, or in SaveLogPath;\n"
           + host.eventLog +
           "Heartbeat:      " + host.heartbeat + "\n"
           "Health:         oprinterctl status DIR\n";
}

}  // namespace oprinter
