#include "platform/windows/FolderLock.h"

#include <aclapi.h>

#include <stdexcept>

#include "platform/SystemError.h"
#include "platform/windows/RegistryHeartbeat.h"

namespace oprinter {
namespace {

constexpr DWORD kFileModify = FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE;
constexpr DWORD kInherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

[[noreturn]] void Fail(const std::string& what, DWORD error) {
    throw std::runtime_error(what + ": " + SystemErrorText(static_cast<int>(error)));
}

struct WellKnownSid {
    explicit WellKnownSid(WELL_KNOWN_SID_TYPE type) {
        DWORD size = sizeof bytes;
        if (!::CreateWellKnownSid(type, nullptr, bytes, &size)) Fail("Cannot make a well-known SID", ::GetLastError());
    }
    BYTE bytes[SECURITY_MAX_SID_SIZE];
};

// What the trustee had before is replaced, so that INSTALL run again adds nothing.
EXPLICIT_ACCESS_A Grant(const void* sid, DWORD rights, DWORD inheritance) {
    EXPLICIT_ACCESS_A entry{};
    entry.grfAccessPermissions = rights;
    entry.grfAccessMode = SET_ACCESS;
    entry.grfInheritance = inheritance;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = TRUSTEE_IS_UNKNOWN;
    entry.Trustee.ptstrName = static_cast<char*>(const_cast<void*>(sid));
    return entry;
}

OwnedAcl AclOf(const void* serviceSid, DWORD serviceRights, DWORD inheritance) {
    WellKnownSid system(WinLocalSystemSid);
    WellKnownSid administrators(WinBuiltinAdministratorsSid);
    EXPLICIT_ACCESS_A entries[] = {Grant(system.bytes, FILE_ALL_ACCESS, inheritance),
                                   Grant(administrators.bytes, FILE_ALL_ACCESS, inheritance),
                                   Grant(serviceSid, serviceRights, inheritance)};
    ACL* acl = nullptr;
    const DWORD error = ::SetEntriesInAclA(3, entries, nullptr, &acl);
    if (error != ERROR_SUCCESS) Fail("Cannot make an access list", error);
    return OwnedAcl(acl);
}

void SetProtectedAcl(const std::string& path, ACL* acl) {
    const DWORD error = ::SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT,
                                                DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                                nullptr, nullptr, acl, nullptr);
    if (error != ERROR_SUCCESS) Fail("Cannot set the access list of " + path, error);
}

void CreateKey(const std::string& name) {
    HKEY key = nullptr;
    const LSTATUS status = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_READ, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) Fail("Cannot create the key HKEY_LOCAL_MACHINE\\" + name, static_cast<DWORD>(status));
    ::RegCloseKey(key);
}

}  // namespace

OwnedAcl PrinterFolderAcl(const void* serviceSid) { return AclOf(serviceSid, kFileModify, kInherited); }

OwnedAcl ConfigFileAcl(const void* serviceSid) { return AclOf(serviceSid, FILE_GENERIC_READ, NO_INHERITANCE); }

void LockPrinterFolder(const std::string& folder, const void* serviceSid) {
    // The folder first: setting its list passes the new one on to what it holds.
    // Its name without the last separator, unless that is all of a drive's root.
    const bool root = folder.size() <= 3;
    SetProtectedAcl(root ? folder : folder.substr(0, folder.size() - 1), PrinterFolderAcl(serviceSid).get());
    const std::string config = folder + "OPrinter.cfg";
    if (::GetFileAttributesA(config.c_str()) != INVALID_FILE_ATTRIBUTES)
        SetProtectedAcl(config, ConfigFileAcl(serviceSid).get());
}

void OpenHeartbeatKeyTo(const std::string& serviceName, const void* serviceSid) {
    const std::string name = HeartbeatKeyName(serviceName);
    CreateKey(name);
    std::string object = "MACHINE\\" + name;
    PACL current = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    DWORD error = ::GetNamedSecurityInfoA(object.c_str(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                          &current, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) Fail("Cannot read the access list of HKEY_LOCAL_MACHINE\\" + name, error);
    EXPLICIT_ACCESS_A entry = Grant(serviceSid, KEY_QUERY_VALUE | KEY_SET_VALUE, NO_INHERITANCE);
    ACL* merged = nullptr;
    error = ::SetEntriesInAclA(1, &entry, current, &merged);
    ::LocalFree(descriptor);
    if (error != ERROR_SUCCESS) Fail("Cannot make an access list", error);
    const OwnedAcl owned(merged);
    error = ::SetNamedSecurityInfoA(object.data(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, merged,
                                    nullptr);
    if (error != ERROR_SUCCESS) Fail("Cannot set the access list of HKEY_LOCAL_MACHINE\\" + name, error);
}

}  // namespace oprinter
