#pragma once
// The service under the platform's service manager: systemd (stop by SIGTERM
// or SIGINT) or the Windows service control manager (a console run stops on
// Ctrl+C). Everything runs on the one event loop.
#include <functional>
#include <string>

#include <asio/io_context.hpp>

namespace oprinter {

struct ServiceHooks {
    std::function<void()> start;  // runs first on the loop
    std::function<void()> stop;   // runs on the loop at the stop request; the loop ends after it
};

// Runs the loop until the service is stopped; returns the exit status. A
// failure that escapes the loop is written to standard error after the
// display name, and the status is 1.
int HostService(const std::string& serviceName, const std::string& displayName, asio::io_context& loop,
                const ServiceHooks& hooks);

// How this platform runs, registers and watches the service, for the usage
// text: blocks of whole lines, indented as that text is.
struct ServiceHostHelp {
    std::string run;           // what no switch does
    std::string registration;  // INSTALL and UNINSTALL
    std::string eventLog;      // where fatal session errors go besides the log
    std::string heartbeat;     // where the watchdog reads the heartbeat
};
const ServiceHostHelp& HostHelp();

}  // namespace oprinter
