// oprinter: the service. Without switches it runs as the service manager
// starts it; INSTALL and UNINSTALL register and remove the service.
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/oprinter/MakePdfs.h"
#include "app/oprinter/RunService.h"
#include "app/oprinter/Usage.h"
#include "platform/ExecutableFolder.h"
#include "platform/ServiceRegistrar.h"
#include "service/CommandLine.h"
#include "service/LoadConfig.h"
#include "service/ServiceRegistration.h"
#include "session/AfterSaveQueue.h"

namespace {

constexpr int kUsageError = 2;

int RunOnFolder(const std::optional<std::string>& given) {
    using namespace oprinter;
    if (!given) return RunService(ExecutableFolder(), IdentityOf(ExecutableFolder(), false));
    std::string folder;
    try {
        folder = PrinterFolder(*given);
    } catch (const std::exception& failure) {
        std::cerr << "oprinter: " << failure.what() << '\n';
        return kUsageError;
    }
    return RunService(folder, IdentityOf(folder, true));
}

// The unit INSTALL writes must let the logs go where the configuration sends them.
std::string ConfiguredLogFolder(const std::optional<std::string>& given) {
    using namespace oprinter;
    Settings settings;
    try {
        ReadConfig(given ? PrinterFolder(*given) : ExecutableFolder(), settings);
    } catch (const std::runtime_error&) {
        return {};  // the registration tells why the folder is no good
    }
    return LogFolderOf(settings.Session.Log.SaveLogPath);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace oprinter;
    // The session starts this program again to make PDFs away from its loop.
    if (argc > 1 && argv[1] == kPdfMakerSwitch) return MakePdfs(std::vector<std::string>(argv + 2, argv + argc));
    const CommandLine commandLine =
        ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), RegistrationTakesFolders());
    if (!commandLine.error.empty()) {
        std::cerr << "oprinter: " << commandLine.error << "\n\n" << UsageText(ExecutableFolder());
        return kUsageError;
    }
    if (commandLine.help) {
        std::cout << UsageText(ExecutableFolder());
        return 0;
    }
    if (commandLine.version) {
        std::cout << "oprinter " << OPRINTER_VERSION << '\n';
        return 0;
    }
    if (!commandLine.install && !commandLine.uninstall) return RunOnFolder(commandLine.folder);
    const std::unique_ptr<ServiceRegistrar> registrar = SystemServiceRegistrar();
    const std::string logFolder = commandLine.install ? ConfiguredLogFolder(commandLine.folder) : std::string();
    return RunRegistration(commandLine, *registrar, ExecutablePath, logFolder, std::cout, std::cerr);
}
