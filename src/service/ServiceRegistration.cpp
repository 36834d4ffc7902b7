#include "service/ServiceRegistration.h"

#include <exception>

#include "service/ServiceIdentity.h"

namespace oprinter {

namespace {

const char* Register(const CommandLine& commandLine, ServiceRegistrar& installer, const ExecutablePathSource& executablePath) {
    if (commandLine.install) {
        installer.Install({kServiceName, kDisplayName, executablePath()});
        return "Service installed successfully";
    }
    installer.Uninstall(kServiceName);
    return "Service uninstalled successfully";
}

}  // namespace

int RunRegistration(const CommandLine& commandLine, ServiceRegistrar& installer,
                    const ExecutablePathSource& executablePath, std::ostream& out, std::ostream& err) {
    try {
        const char* success = Register(commandLine, installer, executablePath);
        if (!commandLine.silent) out << success << '\n';
        return 0;
    } catch (const std::exception& failure) {
        err << kDisplayName << ": " << failure.what() << '\n';
        return 1;
    }
}

}  // namespace oprinter
