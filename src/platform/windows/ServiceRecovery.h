#pragma once
// What the service control manager is told besides the service's identity:
// the command it runs and what it does when the service fails.
#include <string>

#include <windows.h>

namespace oprinter {

inline constexpr DWORD kRestartDelayMs = 10000;
inline constexpr DWORD kFailureCountResetSeconds = 24 * 60 * 60;

// Restart after 10 s at every failure, as systemd's Restart=on-failure with
// RestartSec=10; the last action stands for every later failure.
class ServiceRecovery {
public:
    ServiceRecovery();
    SERVICE_FAILURE_ACTIONSW* Actions() { return &actions_; }

private:
    SC_ACTION steps_[3];
    SERVICE_FAILURE_ACTIONSW actions_{};
};

// The executable's path quoted, with "--folder" and the folder, quoted, when
// the service is a printer folder's instance. folder has no trailing separator,
// which would escape the closing quote.
std::string ServiceCommand(const std::string& executablePath, const std::string& folder);

}  // namespace oprinter
