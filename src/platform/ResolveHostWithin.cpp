#include <future>
#include <thread>

#include "platform/ResolveHost.h"

namespace oprinter {

HostLookup ResolveHostWithin(const HostTarget& host, std::chrono::milliseconds timeLimit) {
    if (host.isAddress) return {host.address, false};
    // Only the answer crosses back; the thread keeps its own copy of the name.
    std::packaged_task<Ipv4Address()> lookup([name = host.text] { return LookUpHostName(name); });
    std::future<Ipv4Address> answer = lookup.get_future();
    std::thread(std::move(lookup)).detach();
    if (answer.wait_for(timeLimit) != std::future_status::ready) return {0, true};
    return {answer.get(), false};
}

}  // namespace oprinter
