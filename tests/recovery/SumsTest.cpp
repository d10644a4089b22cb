// The sums' shortcuts against the long way: zeros added in a few steps,
// and a digest taken midway that leaves the stream as it was.

#include <gtest/gtest.h>

#include <vector>

#include "engine/recovery/Crc32.h"
#include "engine/recovery/Md5.h"
#include "tests/support/TempDir.h"

namespace qz {
namespace {

TEST(Sums, ZerosAddedInStepsAreZerosAddedOneByOne) {
    const std::vector<unsigned char> data = TempDir::pattern(1001);
    for (std::int64_t zeros : {0, 1, 2, 3, 7, 64, 65535, (1 << 20) + 3}) {
        const std::vector<unsigned char> padding(static_cast<std::size_t>(zeros));
        Crc32 longWay, shortWay;
        longWay.update(data.data(), data.size());
        longWay.update(padding.data(), padding.size());
        shortWay.update(data.data(), data.size());
        shortWay.updateZeros(zeros);
        EXPECT_EQ(shortWay.value(), longWay.value()) << zeros << " zeros";
        Crc32 alone;
        alone.update(padding.data(), padding.size());
        EXPECT_EQ(Crc32::ofZeros(zeros), alone.value()) << zeros << " zeros";
        Md5 md5;
        md5.update(data.data(), data.size());
        md5.updateZeros(zeros);
        std::vector<unsigned char> whole = data;
        whole.insert(whole.end(), padding.begin(), padding.end());
        EXPECT_EQ(md5.digest(), Md5::of(whole.data(), whole.size())) << zeros << " zeros";
    }
}

TEST(Sums, ADigestMidwayLeavesTheStreamGoingOn) {
    const std::vector<unsigned char> data = TempDir::pattern(5000);
    Md5 md5;
    md5.update(data.data(), 3000);
    const Md5 fork = md5;
    EXPECT_EQ(md5.digest(), Md5::of(data.data(), 3000));
    md5.update(data.data() + 3000, 2000);
    EXPECT_EQ(md5.digest(), Md5::of(data.data(), 5000));
    EXPECT_EQ(fork.digest(), Md5::of(data.data(), 3000));
}

}  // namespace
}  // namespace qz
