// The least a TN5250E printer can do: answer the negotiation with the
// shortest replies, append the data of every print record to a file, and
// acknowledge the record; before it acknowledges the one that ends the
// spooled file, the file goes to disk. Against the bench host it shows what
// the protocol and the disk allow on this machine.
//   bench_minimal_client ADDRESS PORT RECEIVE_SIZE FILE
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string_view>
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

// Appends without a buffer of its own, and syncs on request.
class OutputFile {
public:
    explicit OutputFile(const char* path) : fd_(::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600)) {
        if (fd_ < 0) throw std::runtime_error(std::string("cannot create ") + path);
    }
    ~OutputFile() { ::close(fd_); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Append(std::string_view bytes) const {
        while (!bytes.empty()) {
            const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
            if (written <= 0) throw std::runtime_error("cannot append to the output file");
            bytes.remove_prefix(static_cast<size_t>(written));
        }
    }
    void Sync() const {
        if (::fsync(fd_) != 0) throw std::runtime_error("cannot sync the output file");
    }

private:
    int fd_;
};

class Printer {
public:
    Printer(const Socket& host, const OutputFile& output) : host_(host), output_(output) {}

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
            if (record_.size() >= 7 && record_[4] == 0x01 && record_[5] == 0x01) PrintRecord();
            record_.clear();
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

    void Data(unsigned char byte) { record_ += static_cast<char>(byte); }

    // The data after the variable header; the bench host's text holds no NUL,
    // so a record that ends in one ends the spooled file.
    void PrintRecord() {
        const size_t dataStart = std::min(record_.size(), 6 + static_cast<size_t>(static_cast<unsigned char>(record_[6])));
        output_.Append(std::string_view(record_).substr(dataStart));
        if (record_.back() == '\0') output_.Sync();
        reply_ += PrintReply();
    }

    const Socket& host_;
    const OutputFile& output_;
    State state_ = State::Data;
    unsigned char command_ = 0;
    std::string subnegotiation_;
    std::string reply_;
    std::string record_;
};

}  // namespace
}  // namespace oprinter::bench

int main(int argc, char** argv) {
    using namespace oprinter::bench;
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s ADDRESS PORT RECEIVE_SIZE FILE\n", argv[0]);
        return 2;
    }
    try {
        const Socket host = Socket::Connect(argv[1], static_cast<uint16_t>(std::atoi(argv[2])));
        std::vector<char> area(static_cast<size_t>(std::max(1, std::atoi(argv[3]))));
        const OutputFile output(argv[4]);
        Printer printer(host, output);
        while (const size_t received = host.Receive(area.data(), area.size())) printer.Feed(area.data(), received);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "bench_minimal_client: %s\n", failure.what());
        return 1;
    }
    return 0;
}
