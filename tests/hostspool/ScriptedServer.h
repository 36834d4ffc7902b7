#pragma once
// A loopback TCP server whose side of the conversation a test writes out, for
// replies a real FTP server does not give.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

namespace oprinter::test {

// One accepted connection, as the server sees it.
class ScriptedPeer {
public:
    explicit ScriptedPeer(int handle) : handle_(handle) {}
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    void Send(std::string_view bytes);
    // The next line without its CR LF; "<closed>" when the client closed or
    // nothing came within a few seconds.
    std::string ReadLine();
    // True when the client has closed its side (waits a few seconds).
    bool SeesClose();

private:
    int handle_;
    std::string pending_;
};

class ScriptedListener {
public:
    ScriptedListener();
    ~ScriptedListener();
    ScriptedListener(const ScriptedListener&) = delete;
    ScriptedListener& operator=(const ScriptedListener&) = delete;

    uint16_t Port() const { return port_; }
    // Waits a few seconds for a connection; -1 when none came.
    int Accept();

private:
    int handle_ = -1;
    uint16_t port_ = 0;
};

// Runs script on the first connection, in a thread of its own; joined when
// the server goes.
class ScriptedServer {
public:
    explicit ScriptedServer(std::function<void(ScriptedPeer&)> script);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    uint16_t Port() const { return listener_.Port(); }

private:
    ScriptedListener listener_;
    std::thread thread_;
};

// "(127,0,0,1,p1,p2)" for a listener's port.
std::string PassiveTuple(uint16_t port);

}  // namespace oprinter::test
