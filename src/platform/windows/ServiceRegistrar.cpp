// INSTALL and UNINSTALL through the service control manager.
#include <windows.h>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/ServiceRegistrar.h"
#include "platform/SystemError.h"
#include "platform/windows/FolderLock.h"
#include "platform/windows/ServiceAccount.h"
#include "platform/windows/ServiceRecovery.h"

namespace oprinter {
namespace {

class ServiceHandle {
public:
    explicit ServiceHandle(SC_HANDLE handle) : handle_(handle) {}
    ~ServiceHandle() {
        if (handle_ != nullptr) ::CloseServiceHandle(handle_);
    }
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
    SC_HANDLE Get() const { return handle_; }

private:
    SC_HANDLE handle_;
};

[[noreturn]] void Fail(const std::string& what) {
    const int error = LastSystemError();
    throw std::runtime_error(what + ": " + SystemErrorText(error));
}

SC_HANDLE OpenManager() {
    const SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) Fail("Cannot open the service control manager");
    return manager;
}

// A running service is asked to stop and given a while to do so before it is removed.
void StopAndWait(SC_HANDLE service) {
    SERVICE_STATUS status{};
    if (!::ControlService(service, SERVICE_CONTROL_STOP, &status)) return;
    for (int waits = 0; waits < 100 && status.dwCurrentState != SERVICE_STOPPED; ++waits) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!::QueryServiceStatus(service, &status)) return;
    }
}

std::string WithoutSeparator(std::string folder) {
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    return folder;
}

std::string FolderOf(const ServiceUnit& unit) {
    if (!unit.folder.empty()) return WithoutSeparator(unit.folder) + "\\";
    return unit.executablePath.substr(0, unit.executablePath.find_last_of("\\/") + 1);
}

// Restart after 10 s and the service's own SID in its token. A service
// control manager that does not know a setting (Wine's) leaves it out; the
// virtual account carries the service's SID as its user anyway.
void Configure(SC_HANDLE service) {
    ServiceRecovery recovery;
    if (!::ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS, recovery.Actions()))
        Fail("Cannot set the failure actions");
    SERVICE_FAILURE_ACTIONS_FLAG onErrorExit{TRUE};
    if (!::ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &onErrorExit) &&
        ::GetLastError() != ERROR_INVALID_LEVEL)
        Fail("Cannot set the failure actions for an exit with an error");
    SERVICE_SID_INFO sidInfo{SERVICE_SID_TYPE_UNRESTRICTED};
    if (!::ChangeServiceConfig2W(service, SERVICE_CONFIG_SERVICE_SID_INFO, &sidInfo) &&
        ::GetLastError() != ERROR_INVALID_LEVEL)
        Fail("Cannot set the service SID");
}

class ScmRegistrar final : public ServiceRegistrar {
public:
    void Install(const ServiceUnit& unit) override {
        const std::string folder = FolderOf(unit);
        const std::vector<unsigned char> sid = ServiceSid(unit.name);
        LockPrinterFolder(folder, sid.data());
        OpenHeartbeatKeyTo(unit.name, sid.data());
        const ServiceHandle manager(OpenManager());
        const std::string instanceFolder = unit.folder.empty() ? std::string() : WithoutSeparator(folder);
        const std::string command = ServiceCommand(unit.executablePath, instanceFolder);
        const std::string account = ServiceAccountName(unit.name);
        // A virtual account has no password.
        const ServiceHandle service(::CreateServiceA(
            manager.Get(), unit.name.c_str(), unit.description.c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
            SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr, nullptr, account.c_str(),
            nullptr));
        if (service.Get() == nullptr) Fail("Cannot install the service " + unit.name);
        try {
            Configure(service.Get());
        } catch (const std::runtime_error&) {
            ::DeleteService(service.Get());
            throw;
        }
    }

    void Uninstall(const std::string& name) override {
        const ServiceHandle manager(OpenManager());
        const ServiceHandle service(::OpenServiceA(manager.Get(), name.c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
        if (service.Get() == nullptr) Fail("Cannot open the service " + name);
        StopAndWait(service.Get());
        if (!::DeleteService(service.Get())) Fail("Cannot uninstall the service " + name);
    }
};

}  // namespace

bool RegistrationTakesFolders() { return true; }

std::unique_ptr<ServiceRegistrar> SystemServiceRegistrar() { return std::make_unique<ScmRegistrar>(); }

}  // namespace oprinter
