#include "app/oprinter/RunService.h"

#include <memory>

#include <asio/io_context.hpp>

#include "platform/Clock.h"
#include "platform/EventLog.h"
#include "platform/Heartbeat.h"
#include "platform/ServiceHost.h"
#include "service/O3812Printer.h"

namespace oprinter {

int RunService(const std::string& folder, const ServiceIdentity& identity) {
    asio::io_context loop;
    const std::unique_ptr<HeartbeatStore> heartbeat = ServiceHeartbeat(identity.name);
    const std::unique_ptr<EventLog> eventLog = ServiceEventLog(identity.displayName);
    TO3812Printer service(folder, DefaultClock(), *heartbeat, *eventLog, loop);
    service.ServiceCreate();
    return HostService(identity.name, identity.displayName, loop,
                       {[&] { service.ServiceExecute(); }, [&] { service.ServiceStop(); }});
}

}  // namespace oprinter
