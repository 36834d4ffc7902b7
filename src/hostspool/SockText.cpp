#include "hostspool/SockText.h"

#include <sys/socket.h>

#include <algorithm>
#include <stdexcept>

#include "hostspool/CrtSock.h"

namespace oprinter {

void SockTextReader::Bind(int handle, std::chrono::milliseconds timeLimit) {
    handle_ = handle;
    timeLimit_ = timeLimit;
    position_ = end_ = 0;
    ended_ = false;
    timedOut_ = false;
}

std::string SockTextReader::ReadLine() {
    std::string line;
    for (int byte = NextByte(); byte >= 0; byte = NextByte()) {
        if (byte == '\n') break;
        if (byte != '\r') line += static_cast<char>(byte);
    }
    return line;
}

int SockTextReader::NextByte() {
    if (position_ == end_ && !Refill()) return -1;
    return static_cast<unsigned char>(buffer_[position_++]);
}

bool SockTextReader::Refill() {
    if (ended_) return false;
    if (!SockWaitReadable(handle_, timeLimit_)) {
        timedOut_ = true;
        ended_ = true;
        return false;
    }
    ssize_t received = ::recv(handle_, buffer_.data(), buffer_.size(), 0);
    if (received <= 0) {
        ended_ = true;
        return false;
    }
    position_ = 0;
    end_ = static_cast<size_t>(received);
    return true;
}

void SockTextWriter::Bind(int handle, std::chrono::milliseconds timeLimit) {
    handle_ = handle;
    timeLimit_ = timeLimit;
    fill_ = 0;
}

void SockTextWriter::WriteLine(std::string_view text) {
    if (handle_ < 0) throw std::logic_error("FTP command written after the control connection was closed");
    Put(text);
    Put("\r\n");
    Flush();
}

void SockTextWriter::Put(std::string_view bytes) {
    while (!bytes.empty()) {
        size_t taken = std::min(bytes.size(), buffer_.size() - fill_);
        std::copy_n(bytes.data(), taken, buffer_.data() + fill_);
        fill_ += taken;
        bytes.remove_prefix(taken);
        if (fill_ == buffer_.size()) Flush();
    }
}

void SockTextWriter::Flush() {
    size_t sent = 0;
    while (sent < fill_) {
        ssize_t count = ::send(handle_, buffer_.data() + sent, fill_ - sent, MSG_NOSIGNAL);
        if (count <= 0) break;
        sent += static_cast<size_t>(count);
    }
    fill_ = 0;
}

void SockTextWriter::Close() {
    if (handle_ < 0) return;
    Flush();
    SockClose(handle_, timeLimit_);
    handle_ = -1;
}

void SockTextWriter::Abort() {
    if (handle_ < 0) return;
    SockAbort(handle_);
    handle_ = -1;
    fill_ = 0;
}

void AssignSockText(int handle, std::chrono::milliseconds timeLimit, SockTextReader& reader,
                    SockTextWriter& writer) {
    reader.Bind(handle, timeLimit);
    writer.Bind(handle, timeLimit);
}

}  // namespace oprinter
