#pragma once
// PLACEHOLDER SURFACE, to be completed by the session work: the session module.
// The service relies on exactly this public surface.
#include <cstdint>
#include <string>

#include <asio/io_context.hpp>

#include "logging/LogWriter.h"
#include "platform/Clock.h"
#include "platform/EventLog.h"
#include "session/kxsockets.h"

namespace oprinter {

// What a session module takes from the process that creates it.
struct SessionContext {
    asio::io_context& loop;
    std::string exeFolder;  // ends with "/"; CvTable, Spool/ and tmp/ are found here
    Clock& clock;
    const LogWriter& log;
    EventLog& eventLog;
};

class TDMPrinter {
public:
    explicit TDMPrinter(const SessionContext& context);  // DataModuleCreate
    ~TDMPrinter();                                       // DataModuleDestroy
    TDMPrinter(const TDMPrinter&) = delete;
    TDMPrinter& operator=(const TDMPrinter&) = delete;

    // Settings copied in by the service before StartSession.
    std::string System;
    std::string PrinterName;
    std::string User;
    std::string Password;
    bool Log = false;
    bool LogDetail = false;
    std::string SaveLogPath;
    int32_t MaxLog = 0;
    bool SpoolInfoAPI = false;
    std::string APILib;
    int32_t DebugLevel = 0;

    void StartSession();
    void StopSession();
    bool IsConnected();

    TSocket Telnet;  // tests may set Telnet.Port before StartSession
};

}  // namespace oprinter
