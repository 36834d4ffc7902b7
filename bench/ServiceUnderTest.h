#pragma once
// The real service, run from a folder of its own: a copy of the binary with an
// OPrinter.cfg beside it that points the session at the bench host.
#include <sys/types.h>

#include <string>

#include "ScratchFolder.h"

namespace oprinter::bench {

class ServiceUnderTest {
public:
    // host: the dotted address the session connects to (port 23).
    ServiceUnderTest(const std::string& binary, const std::string& host);
    ~ServiceUnderTest();  // stops the service
    ServiceUnderTest(const ServiceUnderTest&) = delete;
    ServiceUnderTest& operator=(const ServiceUnderTest&) = delete;

    void Start();
    // SIGTERM, then the exit; SIGKILL after 10 s.
    void Stop();

    // VmHWM of the running process, in bytes.
    size_t PeakResidentBytes() const;
    // The file name of the first finished spool file in Spool/, waiting up to
    // timeoutMs for it; empty when none came.
    std::string WaitForSpoolFile(int timeoutMs) const;
    const std::string& Folder() const { return folder_.Path(); }

private:
    ScratchFolder folder_;
    pid_t pid_ = -1;
};

}  // namespace oprinter::bench
