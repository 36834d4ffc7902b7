// oprinter: the service. Without switches it runs as the service manager
// starts it; INSTALL and UNINSTALL register and remove the service.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/oprinter/RunService.h"
#include "platform/ServiceRegistrar.h"
#include "service/CommandLine.h"
#include "service/ServiceRegistration.h"

int main(int argc, char** argv) {
    using namespace oprinter;
    const CommandLine commandLine = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!commandLine.install && !commandLine.uninstall) return RunService();
    const std::unique_ptr<ServiceRegistrar> registrar = SystemServiceRegistrar();
    return RunRegistration(commandLine, *registrar, ExecutablePath, std::cout, std::cerr);
}
