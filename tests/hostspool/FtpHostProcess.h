#pragma once
// The FTP side of the fake host (testhost/ftp_host.py), run as a child
// process on loopback for the length of a test suite.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace oprinter::test {

inline constexpr const char* kHostUser = "OPRTEST";
inline constexpr const char* kHostPassword = "OPRPASS";

class FtpHostProcess {
public:
    FtpHostProcess();  // waits until the host listens
    ~FtpHostProcess();
    FtpHostProcess(const FtpHostProcess&) = delete;
    FtpHostProcess& operator=(const FtpHostProcess&) = delete;

    uint16_t Port() const { return port_; }
    // A JSON scenario (see ftp_host.py); the host takes it at its next connection.
    void SetScenario(const std::string& json);
    // The command lines the host received since the last ForgetCommands.
    std::vector<std::string> Commands() const;
    void ForgetCommands();

private:
    TempFolder folder_;
    pid_t pid_ = -1;
    uint16_t port_ = 0;
};

}  // namespace oprinter::test
