#pragma once
#include <string>

namespace oprinter {

// The heartbeat's key under HKEY_LOCAL_MACHINE: SOFTWARE\kxGuardian\<service name>.
std::string HeartbeatKeyName(const std::string& serviceName);

}  // namespace oprinter
