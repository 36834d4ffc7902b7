#include "hostspool/SockText.h"

#include <algorithm>

namespace oprinter {

void SockTextReader::Bind(ByteChannel& channel) {
    channel_ = &channel;
    position_ = end_ = 0;
    ended_ = TextEnd::Open;
    broken_.clear();
}

std::string SockTextReader::ReadLine(SteadyTime deadline) {
    std::string line;
    for (int byte = NextByte(deadline); byte >= 0; byte = NextByte(deadline)) {
        if (byte == '\n') break;
        if (byte == '\r') continue;
        if (line.size() == kReplyLineLimit) {
            ended_ = TextEnd::Overlong;
            break;
        }
        line += static_cast<char>(byte);
    }
    return line;
}

int SockTextReader::NextByte(SteadyTime deadline) {
    if (position_ == end_ && !Refill(deadline)) return -1;
    return static_cast<unsigned char>(buffer_[position_++]);
}

bool SockTextReader::Refill(SteadyTime deadline) {
    if (ended_ != TextEnd::Open) return false;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    // Checked before the receive: bytes that are there already do not keep a
    // talkative peer going past its time.
    if (left <= std::chrono::milliseconds::zero()) {
        ended_ = TextEnd::TimedOut;
        return false;
    }
    Received received = channel_->Receive(buffer_, left);
    if (received.end != ReceiveEnd::None) {
        ended_ = received.end == ReceiveEnd::TimedOut ? TextEnd::TimedOut
                 : received.end == ReceiveEnd::Broken ? TextEnd::Broken
                                                       : TextEnd::Closed;
        broken_ = received.failure;
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
