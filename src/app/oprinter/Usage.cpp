#include "app/oprinter/Usage.h"

#include "platform/Heartbeat.h"

namespace oprinter {

std::string UsageText(const std::string& exeFolder) {
    return "usage: oprinter [--folder DIR]\n"
           "       oprinter INSTALL [SILENT] | UNINSTALL [SILENT]\n"
           "       oprinter --help | --version\n"
           "\n"
           "The Orvo Printer Service: an IBM 3812 printer of an IBM i host that saves\n"
           "each spooled file it receives as a .spool file.\n"
           "\n"
           "  (no switch)     run the service in the foreground, as systemd runs it;\n"
           "                  SIGTERM or SIGINT stops it\n"
           "  --folder DIR    keep OPrinter.cfg, CvTable, Spool/, tmp/ and the logs in DIR\n"
           "                  instead of the executable's folder; the service is then\n"
           "                  the instance O3812Printer@NAME, NAME being DIR's last name\n"
           "  INSTALL         write and enable the systemd unit O3812Printer.service\n"
           "                  that runs this executable beside its files (as root)\n"
           "  UNINSTALL       stop, disable and remove that unit\n"
           "  SILENT          with INSTALL or UNINSTALL: print nothing on success\n"
           "  --help, -h, /?  this text\n"
           "  --version       the version\n"
           "\n"
           "Folder without --folder: " + exeFolder + "\n"
           "Configuration:  OPrinter.cfg in the folder (\"oprinterctl check DIR\" shows it)\n"
           "Logs:           \"OPrinter yyyy-mm-dd.log\" in the folder, or in SaveLogPath;\n"
           "                fatal session errors also go to syslog\n"
           "                (journalctl -t \"Orvo Printer Service[@NAME]\")\n"
           "Heartbeat:      " + kDefaultHeartbeatRoot + "/kxGuardian/O3812Printer[@NAME]/Guardian Value\n"
           "Health:         oprinterctl status DIR\n";
}

}  // namespace oprinter
