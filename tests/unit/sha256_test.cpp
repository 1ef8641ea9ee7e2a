// The digest a backup's manifest keeps of each file: the standard's own vectors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/sha256.h"

namespace quelvar::records {
namespace {

std::string digestOf(const std::string& text) {
    return Sha256Hex(std::vector<std::uint8_t>(text.begin(), text.end()));
}

TEST(Sha256, KnownDigestsAcrossTheBlockBoundaries) {
    EXPECT_EQ(digestOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(digestOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first block.
    EXPECT_EQ(digestOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(digestOf(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
}  // namespace quelvar::records
