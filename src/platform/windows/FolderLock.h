#pragma once
// The access lists INSTALL gives a printer: its folder and configuration
// closed to everyone but SYSTEM, the Administrators and the service's own
// account, and its heartbeat key opened to that account for writing.
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

namespace oprinter {

struct LocalFreeAcl {
    void operator()(ACL* acl) const { ::LocalFree(acl); }
};
using OwnedAcl = std::unique_ptr<ACL, LocalFreeAcl>;

// The folder's list: SYSTEM and the Administrators full control, the service
// modify (the logs, Spool\, tmp\ and the state file are its to write), all of
// it inherited by what the folder holds. Nothing for Users or Authenticated
// Users, and none of what the parent folder would pass on.
OwnedAcl PrinterFolderAcl(const void* serviceSid);
// OPrinter.cfg's list: the same, but the service only reads it, since it
// holds the scrambled password.
OwnedAcl ConfigFileAcl(const void* serviceSid);

// Sets both lists, protected from inheritance; OPrinter.cfg only when it is
// there. folder ends with a separator. Throws std::runtime_error.
void LockPrinterFolder(const std::string& folder, const void* serviceSid);

// Adds to the heartbeat key (created when missing) an entry that lets the
// service query and set its values; the rest of the key's list stays, so a
// watchdog keeps reading it. Throws std::runtime_error.
void OpenHeartbeatKeyTo(const std::string& serviceName, const void* serviceSid);

}  // namespace oprinter
