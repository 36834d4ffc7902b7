// The one reading of a configured host and the one resolver: a text in
// numbers is an address, read one way only; anything else is a name to look
// up; and the same within a time limit. (A lookup that outlasts its limit is
// tested with a dead name server, by the FTP client's tests.)
#include <string>

#include <gtest/gtest.h>

#include "platform/ResolveHost.h"

namespace oprinter {
namespace {

TEST(ResolveHostTest, NamesAndDottedText) {
    EXPECT_EQ(AddressToText(ResolveHost(ReadHost("localhost"))), "127.0.0.1");
    EXPECT_EQ(AddressToText(ResolveHost(ReadHost("192.168.1.5"))), "192.168.1.5");
    // Neither a name the lookup knows nor dotted decimal: nothing to connect to.
    EXPECT_EQ(ResolveHost(ReadHost("10.0.0.300")), 0u);
    EXPECT_EQ(ResolveHost(ReadHost("no-such-host.invalid")), 0u);
    EXPECT_EQ(ResolveHost(ReadHost("")), 0u);
}

TEST(ResolveHostTest, NumbersAreReadAsTheUsualToolsReadThemButAlwaysInDecimal) {
    struct Case {
        const char* written;
        const char* address;
    };
    for (const Case& wanted : {Case{"192.168.1.5", "192.168.1.5"}, Case{"127.1", "127.0.0.1"},
                               Case{"10.1.2", "10.1.0.2"}, Case{"10.65535", "10.0.255.255"},
                               Case{"2130706433", "127.0.0.1"}, Case{"192.168.001.010", "192.168.1.10"},
                               Case{"010.001.000.255", "10.1.0.255"}, Case{"0127.0001", "127.0.0.1"}}) {
        const HostTarget host = ReadHost(wanted.written);
        EXPECT_TRUE(host.isAddress) << wanted.written;
        EXPECT_EQ(host.text, wanted.address) << wanted.written;
        EXPECT_EQ(AddressToText(ResolveHost(host)), wanted.address) << wanted.written;
    }
}

TEST(ResolveHostTest, AnythingElseIsANameAndOtherNumberFormsAreNotReadAtAll) {
    for (const char* written : {"localhost", "ibmi.example.com", "10.0.0.300", "10.16777216", "1.2.3.4.5", "1..2",
                                ".1", "1.2.3.4.", "99999999999", "1.2.a.4", " 1.2.3.4", ""}) {
        const HostTarget host = ReadHost(written);
        EXPECT_FALSE(host.isAddress) << written;
        EXPECT_EQ(host.text, written);
    }
    // The platform would read these as hex or octal; they connect nowhere
    // rather than somewhere the log and the certificate check do not say.
    for (const char* written : {"0x7f.1", "10.0.0.0377", "0x7f000001"}) {
        EXPECT_EQ(ResolveHost(ReadHost(written)), 0u) << written;
    }
    // Nor is a name looked up for a part of it.
    EXPECT_EQ(ResolveHost(ReadHost(std::string("localhost\0.example", 18))), 0u);
}

TEST(ResolveHostTest, WithinATimeLimitTheAnswersAreTheSame) {
    using namespace std::chrono_literals;
    for (const char* written : {"localhost", "192.168.1.5", "127.1", "10.0.0.300", "0x7f.1", ""}) {
        const HostTarget host = ReadHost(written);
        const HostLookup lookup = ResolveHostWithin(host, 10s);
        EXPECT_FALSE(lookup.timedOut) << written;
        EXPECT_EQ(lookup.address, ResolveHost(host)) << written;
    }
}

}  // namespace
}  // namespace oprinter
