#include "platform/Digest.h"

#include <gtest/gtest.h>

namespace oprinter {
namespace {

// FIPS 180-2's examples; the pieces join into one message.
TEST(Digest, Sha256OfPiecesIsTheDigestOfTheirBytesInOrder) {
    EXPECT_EQ(Sha256Hex({"abc"}), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex({"a", "", "bc"}), Sha256Hex({"abc"}));
    EXPECT_EQ(Sha256Hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

}  // namespace
}  // namespace oprinter
