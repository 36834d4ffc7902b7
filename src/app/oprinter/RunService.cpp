#include "app/oprinter/RunService.h"

#include <memory>

#include <asio/io_context.hpp>

#include "platform/Clock.h"
#include "platform/EventLog.h"
#include "platform/ExecutableFolder.h"
#include "platform/Heartbeat.h"
#include "platform/ServiceHost.h"
#include "service/O3812Printer.h"
#include "service/ServiceIdentity.h"

namespace oprinter {

int RunService() {
    asio::io_context loop;
    const std::unique_ptr<HeartbeatStore> heartbeat = ServiceHeartbeat(kServiceName);
    TO3812Printer service(ExecutableFolder(), DefaultClock(), *heartbeat, DefaultEventLog(), loop);
    service.ServiceCreate();
    return HostService(kServiceName, kDisplayName, loop,
                       {[&] { service.ServiceExecute(); }, [&] { service.ServiceStop(); }});
}

}  // namespace oprinter
