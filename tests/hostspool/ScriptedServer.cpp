#include "ScriptedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace oprinter::test {
namespace {

constexpr int kPatienceMs = 5000;

bool Readable(int handle) {
    pollfd entry{handle, POLLIN, 0};
    return ::poll(&entry, 1, kPatienceMs) > 0;
}

}  // namespace

ScriptedPeer::~ScriptedPeer() {
    ::close(handle_);
}

void ScriptedPeer::Send(std::string_view bytes) {
    ::send(handle_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

std::string ScriptedPeer::ReadLine() {
    for (;;) {
        size_t end = pending_.find("\r\n");
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 2);
            return line;
        }
        char piece[512];
        ssize_t got = Readable(handle_) ? ::recv(handle_, piece, sizeof piece, 0) : -1;
        if (got <= 0) return "<closed>";
        pending_.append(piece, static_cast<size_t>(got));
    }
}

bool ScriptedPeer::SeesClose() {
    char piece[512];
    while (Readable(handle_)) {
        if (::recv(handle_, piece, sizeof piece, 0) <= 0) return true;
    }
    return false;
}

ScriptedListener::ScriptedListener() {
    handle_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (handle_ < 0 || ::bind(handle_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(handle_, 4) != 0 || ::getsockname(handle_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot listen on loopback");
    port_ = ntohs(address.sin_port);
}

ScriptedListener::~ScriptedListener() {
    ::close(handle_);
}

int ScriptedListener::Accept() {
    return Readable(handle_) ? ::accept(handle_, nullptr, nullptr) : -1;
}

ScriptedServer::ScriptedServer(std::function<void(ScriptedPeer&)> script)
    : thread_([this, script = std::move(script)] {
          int handle = listener_.Accept();
          if (handle < 0) return;
          ScriptedPeer peer(handle);
          script(peer);
      }) {}

ScriptedServer::~ScriptedServer() {
    thread_.join();
}

std::string PassiveTuple(uint16_t port) {
    return "(127,0,0,1," + std::to_string(port / 256) + "," + std::to_string(port % 256) + ")";
}

}  // namespace oprinter::test
