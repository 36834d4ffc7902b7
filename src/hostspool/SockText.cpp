#include "hostspool/SockText.h"

#include <algorithm>

namespace oprinter {

void SockTextReader::Bind(ByteChannel& channel) {
    channel_ = &channel;
    position_ = end_ = 0;
    ended_ = false;
    timedOut_ = false;
    broken_.clear();
}

std::string SockTextReader::ReadLine(std::chrono::milliseconds timeLimit) {
    std::string line;
    for (int byte = NextByte(timeLimit); byte >= 0; byte = NextByte(timeLimit)) {
        if (byte == '\n') break;
        if (byte != '\r') line += static_cast<char>(byte);
    }
    return line;
}

int SockTextReader::NextByte(std::chrono::milliseconds timeLimit) {
    if (position_ == end_ && !Refill(timeLimit)) return -1;
    return static_cast<unsigned char>(buffer_[position_++]);
}

bool SockTextReader::Refill(std::chrono::milliseconds timeLimit) {
    if (ended_) return false;
    Received received = channel_->Receive(buffer_, timeLimit);
    if (received.end != ReceiveEnd::None) {
        timedOut_ = received.end == ReceiveEnd::TimedOut;
        broken_ = received.failure;
        ended_ = true;
        return false;
    }
    position_ = 0;
    end_ = received.count;
    return true;
}

void SockTextWriter::Bind(ByteChannel& channel) {
    channel_ = &channel;
    fill_ = 0;
}

void SockTextWriter::WriteLine(std::string_view text) {
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
    channel_->Send(std::string_view(buffer_.data(), fill_));
    fill_ = 0;
}

void AssignSockText(ByteChannel& channel, SockTextReader& reader, SockTextWriter& writer) {
    reader.Bind(channel);
    writer.Bind(channel);
}

}  // namespace oprinter
