#pragma once
// Registration of the service with the platform's service manager.
#include <memory>
#include <string>

namespace oprinter {

struct ServiceUnit {
    std::string name;            // the service name
    std::string description;     // the display name
    std::string executablePath;  // absolute
    std::string folder;          // the printer's folder of --folder, absolute; empty: beside the executable
    std::string logFolder;       // where the logs go when not beside the executable; may be empty
};

class ServiceRegistrar {
public:
    virtual ~ServiceRegistrar() = default;
    // Registers the service to start at boot. Throws std::runtime_error with the error text.
    virtual void Install(const ServiceUnit& unit) = 0;
    // Stops and removes the service. Throws std::runtime_error, also when it is not installed.
    virtual void Uninstall(const std::string& name) = 0;
};

// The platform's service manager.
std::unique_ptr<ServiceRegistrar> SystemServiceRegistrar();

// Whether INSTALL and UNINSTALL take --folder: on Windows each printer folder
// is a service of its own; on Linux the package's template unit runs them.
bool RegistrationTakesFolders();

// Absolute path of the running executable.
std::string ExecutablePath();

}  // namespace oprinter
