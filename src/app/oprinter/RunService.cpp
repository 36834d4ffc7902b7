#include "app/oprinter/RunService.h"

#include <csignal>
#include <exception>
#include <iostream>

#include <asio/io_context.hpp>
#include <asio/signal_set.hpp>

#include "platform/Clock.h"
#include "platform/EventLog.h"
#include "platform/Heartbeat.h"
#include "platform/SystemdNotify.h"
#include "platform/WatchdogHeartbeat.h"
#include "service/O3812Printer.h"

namespace oprinter {

int RunService(const std::string& folder, const ServiceIdentity& identity) {
    // A peer that goes away must cost a failed send, never the process.
    std::signal(SIGPIPE, SIG_IGN);
    // Likewise a file size limit: a write past it fails with EFBIG, which the
    // spool file writer reports and recovers from, instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    asio::io_context loop;
    HeartbeatFile heartbeatFile(identity.name);
    WatchdogHeartbeat heartbeat(heartbeatFile);
    SyslogEventLog eventLog(identity.displayName);
    TO3812Printer service(folder, DefaultClock(), heartbeat, eventLog, loop);
    service.ServiceCreate();

    // Registered before the first cycle, so that an early stop request waits for the loop.
    asio::signal_set stopSignals(loop, SIGTERM, SIGINT);
    stopSignals.async_wait([&](const std::error_code& error, int) {
        if (error) return;
        NotifyStopping();
        service.ServiceStop();
        loop.stop();
    });

    service.ServiceExecute();
    NotifyReady();
    try {
        loop.run();
    } catch (const std::exception& failure) {
        // Something escaped a session handler: end with a failure, so that systemd restarts the service.
        std::cerr << identity.displayName << ": " << failure.what() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace oprinter
