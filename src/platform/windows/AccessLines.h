#pragma once
// An access list in words: "protected" or "inherits", then one line per
// entry, "allow NT AUTHORITY\SYSTEM: full control, passed on" ("passed on":
// to what a folder holds; "(inherited)": from the parent).
#include <string>
#include <vector>

#include <windows.h>

namespace oprinter {

enum class AccessKind { kFile, kRegistryKey };

// serviceName: the service whose virtual account to name where the system
// knows no name for its SID (Wine).
std::vector<std::string> AccessLines(const ACL* acl, bool isProtected, AccessKind kind, const std::string& serviceName);

}  // namespace oprinter
