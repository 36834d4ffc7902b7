#include <csignal>
#include <exception>
#include <iostream>

#include <asio/signal_set.hpp>

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

}  // namespace oprinter
