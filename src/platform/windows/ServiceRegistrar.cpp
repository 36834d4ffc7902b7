// INSTALL and UNINSTALL through the service control manager.
#include <windows.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "platform/ServiceRegistrar.h"
#include "platform/SystemError.h"

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

class ScmRegistrar final : public ServiceRegistrar {
public:
    void Install(const ServiceUnit& unit) override {
        const ServiceHandle manager(OpenManager());
        // The path is quoted: it may hold spaces.
        const std::string command = "\"" + unit.executablePath + "\"";
        const ServiceHandle service(::CreateServiceA(
            manager.Get(), unit.name.c_str(), unit.description.c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
            SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        if (service.Get() == nullptr) Fail("Cannot install the service " + unit.name);
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

std::unique_ptr<ServiceRegistrar> SystemServiceRegistrar() { return std::make_unique<ScmRegistrar>(); }

}  // namespace oprinter
