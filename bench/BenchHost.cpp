#include "BenchHost.h"

#include <stdexcept>

#include "PrintRecords.h"

namespace oprinter::bench {
namespace {

using namespace std::string_view_literals;

std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text += kDigits[value >> 4];
        text += kDigits[value & 15];
        text += ' ';
    }
    return text;
}

}  // namespace

BenchHost::BenchHost(const std::string& address, uint16_t port) : listener_(Socket::Listen(address, port)) {}

void BenchHost::AcceptPrinter(int timeoutMs) {
    printer_ = listener_.Accept(timeoutMs);
    // The order an IBM i host uses: environment, terminal type, then the
    // end-of-record and binary modes both ways.
    Exchange("\xFF\xFD\x27"sv, "\xFF\xFB\x27"sv, ""sv);
    Exchange("\xFF\xFA\x27\x01\x00\x03\xFF\xF0"sv, "\xFF\xFA\x27\x00"sv, "\xFF\xF0"sv);
    Exchange("\xFF\xFD\x18"sv, "\xFF\xFB\x18"sv, ""sv);
    Exchange("\xFF\xFA\x18\x01\xFF\xF0"sv, "\xFF\xFA\x18\x00IBM-3812-1\xFF\xF0"sv, ""sv);
    Exchange("\xFF\xFD\x19\xFF\xFB\x19\xFF\xFD\x00\xFF\xFB\x00"sv,
             "\xFF\xFB\x19\xFF\xFD\x19\xFF\xFB\x00\xFF\xFD\x00"sv, ""sv);
}

void BenchHost::Exchange(std::string_view request, std::string_view replyStart, std::string_view replyEnd) const {
    printer_.SendAll(request);
    std::string reply = printer_.ReceiveExactly(replyStart.size());
    if (reply != replyStart) throw std::runtime_error("unexpected negotiation reply " + Hex(reply));
    char byte = 0;
    while (!replyEnd.empty() && !reply.ends_with(replyEnd)) {
        if (printer_.Receive(&byte, 1) == 0) throw std::runtime_error("the printer closed during the negotiation");
        reply += byte;
    }
}

void BenchHost::SendStartupResponse() const { printer_.SendAll(TelnetFrame(StartupResponse())); }

std::chrono::duration<double> BenchHost::SendSpooledFile(const std::vector<std::string>& frames) const {
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& frame : frames) {
        printer_.SendAll(frame);
        const std::string reply = printer_.ReceiveExactly(PrintReply().size());
        if (reply != PrintReply()) throw std::runtime_error("unexpected reply to a print record " + Hex(reply));
    }
    return std::chrono::steady_clock::now() - start;
}

}  // namespace oprinter::bench
