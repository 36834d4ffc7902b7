#pragma once
// The settings read from "OPrinter.cfg", named by their XML names. The service
// module holds one copy; each new session module receives the values it uses.
#include <array>
#include <cstdint>
#include <string>

#include "logging/LogWriter.h"
#include "platform/TextConverter.h"

namespace oprinter {

struct TimeOfDay {
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    int32_t Seconds() const { return hour * 3600 + minute * 60 + second; }
    friend bool operator==(const TimeOfDay&, const TimeOfDay&) = default;
};

struct TDaySchedule {
    bool Skedula = false;
    TimeOfDay StartTime;
    TimeOfDay EndTime;
};

struct Settings {
    std::string Language;
    std::string System;
    std::string User;
    std::string Password;  // already descrambled
    std::string PrinterName;
    bool Log = false;
    bool LogDetail = false;
    int32_t MaxLog = 0;
    int32_t GGMaxLog = 0;
    std::string SaveLogPath;
    std::array<TDaySchedule, 7> Schedule{};  // [0] is Monday, [6] Sunday
    bool SpoolInfoAPI = false;
    std::string APILib;
    int32_t DebugLevel = 0;
    // The character set of the host's text and of the values held here.
    std::string Charset = kDefaultCharset;
    // A PDF is written beside each spool file.
    bool PdfCopy = false;
    // A program each saved spool file is handed to; a relative path is taken
    // from the service's folder. Empty: none.
    std::string SpoolCommand;
    // TLS on the telnet session (port 992) and, by default, on the FTP side.
    bool TLS = false;
    bool FtpTLS = false;  // absent in the file: the value of TLS
    std::string TLSCAFile;  // relative paths are taken from the service's folder
    bool TLSVerify = true;
    std::string TLSCertFile;
    std::string TLSKeyFile;

    LogSettings LogOptions() const { return {Log, LogDetail, SaveLogPath, MaxLog}; }
};

}  // namespace oprinter
