#include "platform/AccessList.h"

#include <aclapi.h>

#include <cstdio>
#include <stdexcept>

#include "platform/SystemError.h"
#include "platform/windows/AccessLines.h"
#include "platform/windows/RegistryHeartbeat.h"
#include "platform/windows/ServiceAccount.h"

namespace oprinter {
namespace {

constexpr DWORD kFileModify = 0x1301bf;
constexpr DWORD kFileReadExecute = 0x1200a9;
constexpr DWORD kFileRead = 0x120089;
constexpr DWORD kFileWrite = 0x100116;
constexpr DWORD kKeyQueryAndSet = KEY_QUERY_VALUE | KEY_SET_VALUE;

std::string RightsText(DWORD mask, AccessKind kind) {
    if ((mask & GENERIC_ALL) != 0) return "full control";
    if (kind == AccessKind::kFile) {
        switch (mask) {
            case FILE_ALL_ACCESS: return "full control";
            case kFileModify: return "modify";
            case kFileReadExecute: return "read and execute";
            case kFileRead: return "read";
            case kFileWrite: return "write";
            default: break;
        }
    } else {
        switch (mask) {
            case KEY_ALL_ACCESS: return "full control";
            case KEY_READ: return "read";
            case kKeyQueryAndSet: return "query and set values";
            case GENERIC_READ: return "read";
            default: break;
        }
    }
    char text[32];
    std::snprintf(text, sizeof text, "rights 0x%lx", static_cast<unsigned long>(mask));
    return text;
}

std::string AccountText(void* sid, const std::string& serviceName) {
    char name[256];
    char domain[256];
    DWORD nameSize = sizeof name;
    DWORD domainSize = sizeof domain;
    SID_NAME_USE use{};
    if (::LookupAccountSidA(nullptr, sid, name, &nameSize, domain, &domainSize, &use))
        return domain[0] != '\0' ? std::string(domain) + "\\" + name : std::string(name);
    try {
        const std::vector<unsigned char> service = ServiceSid(serviceName);
        if (::EqualSid(sid, const_cast<unsigned char*>(service.data()))) return ServiceAccountName(serviceName);
    } catch (const std::runtime_error&) {
        // Then the SID's text has to do.
    }
    return SidText(sid);
}

std::string EntryLine(const ACE_HEADER* header, AccessKind kind, const std::string& serviceName) {
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE)
        return "entry of type " + std::to_string(header->AceType);
    // Allowed and denied entries have the same shape.
    const auto* entry = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
    void* sid = const_cast<DWORD*>(&entry->SidStart);
    std::string line = header->AceType == ACCESS_ALLOWED_ACE_TYPE ? "allow " : "deny ";
    line += AccountText(sid, serviceName) + ": " + RightsText(entry->Mask, kind);
    if ((header->AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) != 0) line += ", passed on";
    if ((header->AceFlags & INHERITED_ACE) != 0) line += " (inherited)";
    return line;
}

std::vector<std::string> NamedObjectAccess(const std::string& name, SE_OBJECT_TYPE type, AccessKind kind,
                                           const std::string& serviceName) {
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD error = ::GetNamedSecurityInfoA(name.c_str(), type, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                                &acl, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) return {"not readable: " + SystemErrorText(static_cast<int>(error))};
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    std::vector<std::string> lines = AccessLines(acl, (control & SE_DACL_PROTECTED) != 0, kind, serviceName);
    ::LocalFree(descriptor);
    return lines;
}

}  // namespace

std::vector<std::string> AccessLines(const ACL* acl, bool isProtected, AccessKind kind,
                                     const std::string& serviceName) {
    std::vector<std::string> lines{isProtected ? "protected" : "inherits"};
    if (acl == nullptr) {
        lines.emplace_back("no list: everyone has full control");
        return lines;
    }
    for (DWORD index = 0; index < acl->AceCount; ++index) {
        void* header = nullptr;
        if (!::GetAce(const_cast<ACL*>(acl), index, &header)) continue;
        lines.push_back(EntryLine(static_cast<ACE_HEADER*>(header), kind, serviceName));
    }
    return lines;
}

std::vector<std::string> FileAccess(const std::string& path, const std::string& serviceName) {
    return NamedObjectAccess(path, SE_FILE_OBJECT, AccessKind::kFile, serviceName);
}

std::vector<std::string> HeartbeatAccess(const std::string& serviceName) {
    return NamedObjectAccess("MACHINE\\" + HeartbeatKeyName(serviceName), SE_REGISTRY_KEY, AccessKind::kRegistryKey,
                             serviceName);
}

}  // namespace oprinter
