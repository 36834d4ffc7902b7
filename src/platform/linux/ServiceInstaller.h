#pragma once
// Registration with systemd: a unit file in the unit folder, enabled for boot.
// The unit folder and the way systemctl runs are parameters, so that an
// installation can be made into any folder without systemd.
#include <string>
#include <vector>

#include "platform/ServiceRegistrar.h"

namespace oprinter {

// The unit file is name + ".service". The unit: runs the executable as root
// in the foreground (Type=notify), restarts it only when it fails or its
// watchdog starves, started at boot. It is sandboxed: it may write only
// beside the executable, in the log folder and in its heartbeat folder, and
// reach the network only over IP.
// Throws std::runtime_error when the path cannot be written into a unit file.
std::string UnitFileText(const ServiceUnit& unit);

class SystemctlRunner {
public:
    virtual ~SystemctlRunner() = default;
    // Runs systemctl with the arguments; throws std::runtime_error unless it succeeds.
    virtual void Run(const std::vector<std::string>& arguments) = 0;
};

// The real systemctl, found on PATH; its own messages go to standard error.
class ProcessSystemctl final : public SystemctlRunner {
public:
    void Run(const std::vector<std::string>& arguments) override;
};

inline constexpr const char* kSystemUnitFolder = "/etc/systemd/system";

class ServiceInstaller final : public ServiceRegistrar {
public:
    ServiceInstaller(std::string unitFolder, SystemctlRunner& systemctl);

    // Writes the unit file, reloads systemd and enables the unit; a unit
    // already there is replaced. Throws std::runtime_error with the error text.
    void Install(const ServiceUnit& unit) override;
    // Stops and disables the unit, removes its file and reloads systemd.
    // Throws std::runtime_error, also when the unit is not installed.
    void Uninstall(const std::string& name) override;

    std::string UnitFileName(const std::string& name) const;

private:
    std::string unitFolder_;
    SystemctlRunner& systemctl_;
};

}  // namespace oprinter
