// The least a TN5250E printer can do: answer the negotiation with the
// shortest replies, and acknowledge every print record, discarding its data.
// Against the bench host it shows what the protocol allows on this machine.
//   bench_minimal_client ADDRESS PORT RECEIVE_SIZE
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "PrintRecords.h"
#include "Socket.h"

namespace oprinter::bench {
namespace {

constexpr unsigned char kIac = 0xFF;
constexpr unsigned char kSb = 0xFA;
constexpr unsigned char kSe = 0xF0;
constexpr unsigned char kEor = 0xEF;
constexpr unsigned char kWill = 0xFB;
constexpr unsigned char kDo = 0xFD;
constexpr unsigned char kTerminalType = 0x18;

class Printer {
public:
    explicit Printer(const Socket& host) : host_(host) {}

    // Parses one receive; all answers of it go out in one send.
    void Feed(const char* bytes, size_t size) {
        for (size_t i = 0; i < size; ++i) Byte(static_cast<unsigned char>(bytes[i]));
        if (reply_.empty()) return;
        host_.SendAll(reply_);
        reply_.clear();
    }

private:
    enum class State { Data, Command, Option, Subnegotiation, SubnegotiationIac };

    void Byte(unsigned char byte) {
        switch (state_) {
            case State::Data:
                if (byte == kIac) state_ = State::Command;
                else Data(byte);
                break;
            case State::Command: Command(byte); break;
            case State::Option:
                // WILL for DO and DO for WILL.
                reply_ += static_cast<char>(kIac);
                reply_ += static_cast<char>(command_ == kDo ? kWill : kDo);
                reply_ += static_cast<char>(byte);
                state_ = State::Data;
                break;
            case State::Subnegotiation:
                if (subnegotiation_.empty()) subnegotiation_ += static_cast<char>(byte);
                if (byte == kIac) state_ = State::SubnegotiationIac;
                break;
            case State::SubnegotiationIac:
                if (byte == kSe) EndSubnegotiation();
                else state_ = State::Subnegotiation;
                break;
        }
    }

    void Command(unsigned char byte) {
        state_ = State::Data;
        if (byte == kIac) {
            Data(byte);
        } else if (byte == kEor) {
            // Only print records (data flow 0101) are acknowledged.
            if (recordBytes_ >= 6 && flow_[0] == 0x01 && flow_[1] == 0x01) reply_ += PrintReply();
            recordBytes_ = 0;
        } else if (byte == kSb) {
            subnegotiation_.clear();
            state_ = State::Subnegotiation;
        } else {
            command_ = byte;
            state_ = State::Option;
        }
    }

    void EndSubnegotiation() {
        if (!subnegotiation_.empty() && static_cast<unsigned char>(subnegotiation_[0]) == kTerminalType)
            reply_ += std::string("\xFF\xFA\x18\x00IBM-3812-1\xFF\xF0", 16);
        else
            reply_ += std::string("\xFF\xFA\x27\x00\xFF\xF0", 6);
        state_ = State::Data;
    }

    void Data(unsigned char byte) {
        if (recordBytes_ == 4 || recordBytes_ == 5) flow_[recordBytes_ - 4] = byte;
        ++recordBytes_;
    }

    const Socket& host_;
    State state_ = State::Data;
    unsigned char command_ = 0;
    std::string subnegotiation_;
    std::string reply_;
    size_t recordBytes_ = 0;
    unsigned char flow_[2] = {0, 0};
};

}  // namespace
}  // namespace oprinter::bench

int main(int argc, char** argv) {
    using namespace oprinter::bench;
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s ADDRESS PORT RECEIVE_SIZE\n", argv[0]);
        return 2;
    }
    try {
        const Socket host = Socket::Connect(argv[1], static_cast<uint16_t>(std::atoi(argv[2])));
        std::vector<char> area(static_cast<size_t>(std::max(1, std::atoi(argv[3]))));
        Printer printer(host);
        while (const size_t received = host.Receive(area.data(), area.size())) printer.Feed(area.data(), received);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "bench_minimal_client: %s\n", failure.what());
        return 1;
    }
    return 0;
}
