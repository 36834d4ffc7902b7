#pragma once
// The settings a printer session runs with, grouped as they are used: the
// host login (hostspool), the device and its environment reply (telnet), the
// log, TLS, and the save with its PDF copy. Read once from the configuration;
// each session gets them whole and never changes them.
#include <cstdint>
#include <string>

#include "hostspool/HostAccess.h"
#include "logging/LogWriter.h"
#include "platform/TextConverter.h"
#include "session/TelnetParser.h"

namespace oprinter {

struct TlsSettings {
    bool TLS = false;       // the telnet session speaks TLS (the service points it at port 992)
    bool FtpTLS = false;    // the FTP side uses explicit TLS; absent in the file: the value of TLS
    std::string TLSCAFile;  // relative paths are taken from the service's folder
    bool TLSVerify = true;
    std::string TLSCertFile;
    std::string TLSKeyFile;
};

struct SaveSettings {
    std::string Charset = kDefaultCharset;  // of the host's text and the values of the configuration
    bool PdfCopy = false;                   // a PDF beside each spool file
};

struct SessionSettings {
    HostLogin Host;
    EnvironmentValues Device;  // PrinterName and the rest of the environment reply
    LogSettings Log;
    int32_t DebugLevel = 0;    // trace threshold; no trace at 0 or less
    TlsSettings Tls;
    SaveSettings Save;
};

}  // namespace oprinter
