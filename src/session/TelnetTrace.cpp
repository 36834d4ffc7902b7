#include "session/TelnetTrace.h"

#include <cstdint>
#include <cstdio>

namespace oprinter {

namespace {

// The names both sides share.
const char* CommonName(uint8_t byte) {
    switch (byte) {
        case 0x03: return "SUPPRESS_GA";
        case 0x06: return "TIMING";
        case 0x18: return "TERMTYPE";
        case 0x19: return "EOR";
        case 0x27: return "NEWENV";
        case 0xEF: return "END";
        case 0xF0: return "SE";
        case 0xF1: return "NOP";
        case 0xF2: return "DATA";
        case 0xF3: return "BRK";
        case 0xF4: return "INT";
        case 0xF5: return "ABORT";
        case 0xF6: return "AYT";
        case 0xF7: return "ERASECHAR";
        case 0xF8: return "ERASELINE";
        case 0xF9: return "GOAHEAD";
        case 0xFA: return "SB";
        case 0xFB: return "WILL";
        case 0xFC: return "WONT";
        case 0xFD: return "DO";
        case 0xFE: return "DONT";
        case 0xFF: return "IAC";
        default: return nullptr;
    }
}

const char* HostName(uint8_t byte) {
    switch (byte) {
        case 0x00: return "BIN";
        case 0x01: return "ECHO";
        default: return CommonName(byte);
    }
}

const char* ClientName(uint8_t byte) {
    switch (byte) {
        case 0x00: return "IS_VAR";
        case 0x01: return "SEND_VAL";
        case 0x02: return "INFO";
        default: return CommonName(byte);
    }
}

std::string NameText(std::string_view bytes, const char* (*name)(uint8_t)) {
    std::string text;
    for (char byte : bytes) {
        if (const char* known = name(static_cast<uint8_t>(byte))) {
            text += known;
        } else {
            text += byte;
        }
        text += ' ';
    }
    return text;
}

}  // namespace

std::string HexTraceText(std::string_view bytes) {
    std::string text;
    for (char byte : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%X", static_cast<unsigned>(static_cast<uint8_t>(byte)));
        text += digits;
        text += ' ';
    }
    return text;
}

std::string HostNameTraceText(std::string_view bytes) { return NameText(bytes, HostName); }

std::string ClientNameTraceText(std::string_view bytes) { return NameText(bytes, ClientName); }

}  // namespace oprinter
