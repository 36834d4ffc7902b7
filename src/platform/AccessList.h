#pragma once
// Who may do what to the places a printer keeps, as "oprinterctl check"
// shows them: one line per entry of the access list, after a line that says
// whether the list is protected from what the parent passes on. Linux keeps
// no lists, only the modes that "ls -l" shows, and gives no lines.
#include <string>
#include <vector>

namespace oprinter {

// A file or folder. A list that cannot be read is one line that says why.
// The service's own account is named even where the system cannot name it.
std::vector<std::string> FileAccess(const std::string& path, const std::string& serviceName);
// The key or file the service's heartbeat goes to.
std::vector<std::string> HeartbeatAccess(const std::string& serviceName);

}  // namespace oprinter
