#include "service/ServiceRegistration.h"

#include <exception>

#include "service/ServiceIdentity.h"

namespace oprinter {

namespace {

const char* Register(const CommandLine& commandLine, ServiceInstaller& installer, const ExecutablePathSource& executablePath,
                     const std::string& logFolder) {
    if (commandLine.install) {
        installer.Install({kServiceName, kDisplayName, executablePath(), logFolder});
        return "Service installed successfully";
    }
    installer.Uninstall(kServiceName);
    return "Service uninstalled successfully";
}

}  // namespace

int RunRegistration(const CommandLine& commandLine, ServiceInstaller& installer,
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
