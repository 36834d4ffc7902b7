// The heartbeat as the watchdog reads it: the REG_DWORD "Guardian Value"
// under HKEY_LOCAL_MACHINE\SOFTWARE\kxGuardian\<service name>.
#include <windows.h>

#include <stdexcept>

#include "platform/Heartbeat.h"
#include "platform/SystemError.h"
#include "platform/windows/RegistryHeartbeat.h"

namespace oprinter {
namespace {

class RegistryHeartbeat final : public HeartbeatStore {
public:
    explicit RegistryHeartbeat(const std::string& serviceName) : keyName_(HeartbeatKeyName(serviceName)) {}

    void WriteValue(int32_t value) override {
        HKEY key = nullptr;
        // Created when missing; opened for writing only.
        LSTATUS status = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyName_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_SET_VALUE, nullptr, &key, nullptr);
        if (status != ERROR_SUCCESS) throw std::runtime_error(keyName_ + ": " + SystemErrorText(status));
        const DWORD data = static_cast<DWORD>(value);
        status = ::RegSetValueExA(key, "Guardian Value", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                                  sizeof data);
        ::RegCloseKey(key);
        if (status != ERROR_SUCCESS) throw std::runtime_error(keyName_ + ": " + SystemErrorText(status));
    }

private:
    std::string keyName_;
};

}  // namespace

std::string HeartbeatKeyName(const std::string& serviceName) { return "SOFTWARE\\kxGuardian\\" + serviceName; }

std::unique_ptr<HeartbeatStore> ServiceHeartbeat(const std::string& serviceName) {
    return std::make_unique<RegistryHeartbeat>(serviceName);
}

}  // namespace oprinter
