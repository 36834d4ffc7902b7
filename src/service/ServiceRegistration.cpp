#include "service/ServiceRegistration.h"

#include <exception>

#include "service/ServiceIdentity.h"

namespace oprinter {

namespace {

const char* Register(const CommandLine& commandLine, ServiceRegistrar& installer, const ExecutablePathSource& executablePath,
                     const std::string& logFolder) {
    const std::string folder = commandLine.folder ? PrinterFolder(*commandLine.folder) : std::string();
    const ServiceIdentity identity = IdentityOf(folder, commandLine.folder.has_value());
    if (commandLine.install) {
        installer.Install({identity.name, identity.displayName, executablePath(), folder, logFolder});
        return "Service installed successfully";
    }
    installer.Uninstall(identity.name);
    return "Service uninstalled successfully";
}

}  // namespace

int RunRegistration(const CommandLine& commandLine, ServiceRegistrar& installer,
                    const ExecutablePathSource& executablePath, const std::string& logFolder, std::ostream& out,
                    std::ostream& err) {
    try {
        const char* success = Register(commandLine, installer, executablePath, logFolder);
        if (!commandLine.silent) out << success << '\n';
        return 0;
    } catch (const std::exception& failure) {
        err << kDisplayName << ": " << failure.what() << '\n';
        return 1;
    }
}

std::string LogFolderOf(const std::string& saveLogPath) {
    const std::size_t slash = saveLogPath.rfind('/');
    if (saveLogPath.empty() || saveLogPath.front() != '/' || slash == std::string::npos) return {};
    return saveLogPath.substr(0, slash + 1);
}

}  // namespace oprinter
