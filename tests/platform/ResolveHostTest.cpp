// The one host-name resolver: the lookup first, dotted decimal after it; and
// the same within a time limit. (A lookup that outlasts its limit is tested
// with a dead name server, by the FTP client's tests.)
#include <gtest/gtest.h>

#include "platform/ResolveHost.h"

namespace oprinter {
namespace {

TEST(ResolveHostTest, NamesAndDottedText) {
    EXPECT_EQ(AddressToText(ResolveHost("localhost")), "127.0.0.1");
    EXPECT_EQ(AddressToText(ResolveHost("192.168.1.5")), "192.168.1.5");
    // Neither a name the lookup knows nor dotted decimal: nothing to connect to.
    EXPECT_EQ(ResolveHost("10.0.0.300"), 0u);
    EXPECT_EQ(ResolveHost("no-such-host.invalid"), 0u);
    EXPECT_EQ(ResolveHost(""), 0u);
}

TEST(ResolveHostTest, WithinATimeLimitTheAnswersAreTheSame) {
    using namespace std::chrono_literals;
    for (const char* host : {"localhost", "192.168.1.5", "10.0.0.300", ""}) {
        const HostLookup lookup = ResolveHostWithin(host, 10s);
        EXPECT_FALSE(lookup.timedOut) << host;
        EXPECT_EQ(lookup.address, ResolveHost(host)) << host;
    }
}

}  // namespace
}  // namespace oprinter
