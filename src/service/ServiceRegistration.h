#pragma once
// INSTALL and UNINSTALL of the service's executable.
#include <functional>
#include <ostream>
#include <string>

#include "platform/ServiceRegistrar.h"
#include "service/CommandLine.h"

namespace oprinter {

// Gives the absolute path of the executable to register; may throw.
using ExecutablePathSource = std::function<std::string()>;

// Installs (INSTALL wins over UNINSTALL) or uninstalls the service, or with
// --folder the instance of that printer folder (see IdentityOf); the unit
// may also write into logFolder (empty: the logs stay beside the executable). Success
// prints its line on out unless SILENT; a failure always prints the display
// name and the error text on err. Returns the exit status, 0 on success.
int RunRegistration(const CommandLine& commandLine, ServiceRegistrar& installer,
                    const ExecutablePathSource& executablePath, const std::string& logFolder, std::ostream& out,
                    std::ostream& err);

// The folder a SaveLogPath writes into: the part up to its last "/", when the
// path is absolute; empty otherwise.
std::string LogFolderOf(const std::string& saveLogPath);

}  // namespace oprinter
