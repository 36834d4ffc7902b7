#pragma once
// The host side of a TN5250E printer session, as far as a benchmark needs
// it: the option negotiation, the startup response, and one spooled file in
// print records, each sent when the previous one has been acknowledged.
#include <chrono>
#include <string>
#include <vector>

#include "Socket.h"

namespace oprinter::bench {

class BenchHost {
public:
    // Listens on address:port at once, so the printer can be started afterwards.
    BenchHost(const std::string& address, uint16_t port);

    // Takes the printer's connection and negotiates; throws when a reply is
    // not what a TN5250E printer answers.
    void AcceptPrinter(int timeoutMs);
    void SendStartupResponse() const;
    // Sends the frames (see TelnetFrame) one at a time, each after the 12-byte
    // reply to the one before; returns the time from the first send to the last reply.
    std::chrono::duration<double> SendSpooledFile(const std::vector<std::string>& frames) const;
    void Disconnect() { printer_ = Socket(); }

private:
    // Sends request and checks that the answer has the given start and end.
    void Exchange(std::string_view request, std::string_view replyStart, std::string_view replyEnd) const;

    Socket listener_;
    Socket printer_;
};

}  // namespace oprinter::bench
