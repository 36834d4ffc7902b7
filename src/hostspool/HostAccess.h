#pragma once
// What the host spool services need to reach the host, and where they log.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/TlsContext.h"

namespace oprinter {

inline constexpr uint16_t kFtpPort = 21;
// How long any one FTP step (connect, a reply, a wait for data, the drain on
// close) may take before it fails: a host that accepts and never answers must
// not freeze the service.
inline constexpr std::chrono::milliseconds kFtpTimeLimit = std::chrono::seconds(30);
// How long all the attempts of one retrieval or one writer restart may take
// together; a step never waits past it.
inline constexpr std::chrono::milliseconds kFtpBudget = std::chrono::seconds(60);

// Who the host spool services log in as, and how the attributes are found.
struct HostLogin {
    std::string System;    // host name or dotted address
    std::string User;
    std::string Password;  // in clear
    bool SpoolInfoAPI = false;  // through the host program KXSPLL rather than the listing
    std::string APILib;    // kept from the configuration; nothing acts on it
};

struct HostAccess {
    HostLogin Login;
    std::string PrinterName;  // device name on the host
    std::string ExeFolder;    // ends with "/"; the folder "tmp" is made here
    uint16_t FtpPort = kFtpPort;  // tests use a port of their own
    std::chrono::milliseconds FtpTimeLimit = kFtpTimeLimit;  // tests shorten it
    std::chrono::milliseconds FtpBudget = kFtpBudget;        // tests shorten it
    bool FtpTLS = false;  // explicit TLS on the control and data connections
    std::shared_ptr<const TlsContext> Tls;  // with FtpTLS: nullptr when it could not be made,
    std::string TlsFailure;                 // for this reason
};

class HostLog {
public:
    virtual ~HostLog() = default;
    // A normal line of the session log.
    virtual void WriteLog(std::string_view text) = 0;
};

}  // namespace oprinter
