#pragma once
// Who the service is to the service manager, the watchdog and the event log.
#include <string>

namespace oprinter {

inline constexpr const char* kServiceName = "O3812Printer";
inline constexpr const char* kDisplayName = "Orvo Printer Service";

struct ServiceIdentity {
    std::string name;         // heartbeat folder and unit name
    std::string displayName;  // event log source
};

// The service beside its executable is O3812Printer; a printer run on a folder
// of its own is the instance named after the folder's last name, so that
// several printers on one machine keep apart heartbeats and event log
// entries. folder ends with "/" and is absolute.
ServiceIdentity IdentityOf(const std::string& folder, bool ownFolder);

// The instance name of a printer folder (ending with "/"): its last name.
std::string InstanceName(const std::string& folder);

// The absolute form of a folder given on the command line, with its trailing
// "/". Throws std::runtime_error when it has no last name to name an instance.
std::string PrinterFolder(const std::string& given);

}  // namespace oprinter
