#include <csignal>
#include <exception>
#include <iostream>

#include <asio/signal_set.hpp>

#include "platform/Heartbeat.h"
#include "platform/ServiceHost.h"
#include "platform/linux/SystemdNotify.h"

namespace oprinter {

int HostService(const std::string&, const std::string& displayName, asio::io_context& loop, const ServiceHooks& hooks) {
    // A peer that goes away must cost a failed send, never the process.
    std::signal(SIGPIPE, SIG_IGN);
    // Likewise a file size limit: a write past it fails with EFBIG, which the
    // spool file writer reports and recovers from, instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);

    // Registered before the first cycle, so that an early stop request waits for the loop.
    asio::signal_set stopSignals(loop, SIGTERM, SIGINT);
    stopSignals.async_wait([&](const std::error_code& error, int) {
        if (error) return;
        NotifyStopping();
        hooks.stop();
        loop.stop();
    });

    hooks.start();
    NotifyReady();
    try {
        loop.run();
    } catch (const std::exception& failure) {
        // Something escaped a session handler: end with a failure, so that systemd restarts the service.
        std::cerr << displayName << ": " << failure.what() << '\n';
        return 1;
    }
    return 0;
}

const ServiceHostHelp& HostHelp() {
    static const ServiceHostHelp help{
        "  (no switch)     run the service in the foreground, as systemd runs it;\n"
        "                  SIGTERM or SIGINT stops it\n",
        "  INSTALL         write and enable the systemd unit O3812Printer.service\n"
        "                  that runs this executable beside its files (as root)\n"
        "  UNINSTALL       stop, disable and remove that unit\n",
        "                fatal session errors also go to syslog\n"
        "                (journalctl -t \"Orvo Printer Service[@NAME]\")\n",
        std::string(kDefaultHeartbeatRoot) + "/kxGuardian/O3812Printer[@NAME]/Guardian Value",
    };
    return help;
}

}  // namespace oprinter
