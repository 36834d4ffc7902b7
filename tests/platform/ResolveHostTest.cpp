// The one host-name resolver: the lookup first, dotted decimal after it.
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

}  // namespace
}  // namespace oprinter
