// The field's arithmetic against a bitwise product, and every region path
// against the product word by word.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "engine/recovery/Galois16.h"

namespace qz {
namespace {

// Shift-and-add multiplication reduced by the generator: slow, but owes
// nothing to the tables under test.
std::uint16_t bitwiseProduct(std::uint16_t a, std::uint16_t b) {
    std::uint32_t product = 0, shifted = a;
    for (int bit = 0; bit < 16; ++bit) {
        if (b >> bit & 1) product ^= shifted;
        shifted <<= 1;
        if (shifted & 0x10000) shifted ^= Galois16::kGenerator;
    }
    return static_cast<std::uint16_t>(product);
}

TEST(Galois16, ProductsAgreeWithShiftAndAdd) {
    std::mt19937 random(7);
    for (int i = 0; i < 200000; ++i) {
        const auto a = static_cast<std::uint16_t>(random()), b = static_cast<std::uint16_t>(random());
        ASSERT_EQ(Galois16::mul(a, b), bitwiseProduct(a, b)) << a << " * " << b;
    }
    EXPECT_EQ(Galois16::mul(0x8000, 2), 0x100B);  // the reduction itself
}

TEST(Galois16, EveryNonZeroElementHasItsInverse) {
    for (unsigned a = 1; a <= 0xFFFF; ++a)
        ASSERT_EQ(Galois16::mul(static_cast<std::uint16_t>(a), Galois16::inverse(static_cast<std::uint16_t>(a))), 1)
            << a;
}

TEST(Galois16, PowersAreRepeatedProducts) {
    for (std::uint16_t a : {0, 1, 2, 3, 0x100B, 0xFFFF}) {
        std::uint16_t expected = 1;
        for (std::uint32_t n = 0; n < 70000; ++n) {
            ASSERT_EQ(Galois16::power(a, n), expected) << a << "^" << n;
            expected = bitwiseProduct(expected, a);
        }
    }
}

TEST(Galois16, InputConstantsArePowersOfTwoOfFullOrder) {
    // The first constants as PAR2 publishes them.
    const std::vector<std::uint16_t> first{2, 4, 16, 128, 256, 2048, 8192, 16384, 4107, 32856, 17132};
    for (std::size_t i = 0; i < first.size(); ++i) EXPECT_EQ(Galois16::inputConstant(i), first[i]) << i;
    // Distinct, and none returns to 1 before 65535: no smaller order divides it.
    std::vector<bool> seen(65536);
    for (std::size_t i = 0; i < Galois16::kMaxInputs; ++i) {
        const std::uint16_t c = Galois16::inputConstant(i);
        ASSERT_FALSE(seen[c]) << i;
        seen[c] = true;
        for (std::uint32_t divisor : {3u, 5u, 17u, 257u})
            ASSERT_NE(Galois16::power(c, 65535 / divisor), 1) << i;
    }
}

// Each path, multiplying or adding, for factors with their own shortcuts
// and lengths that end at and off every vector width.
TEST(Galois16, EveryPathGivesTheWordByWordProduct) {
    std::mt19937 random(11);
    const std::vector<std::size_t> lengths{0, 2, 14, 30, 32, 34, 62, 64, 66, 126, 1022, 1024, 4098, 65538};
    const std::vector<std::uint16_t> coefs{0, 1, 2, 0x100B, 0x8000, 0xFFFF, 0x1234};
    for (Galois16::Path path : Galois16::paths())
        for (std::size_t bytes : lengths)
            for (std::uint16_t coef : coefs)
                for (bool add : {false, true}) {
                    std::vector<std::uint8_t> in(bytes + 2), out(bytes + 2);
                    for (auto& b : in) b = static_cast<std::uint8_t>(random());
                    for (auto& b : out) b = static_cast<std::uint8_t>(random());
                    std::vector<std::uint8_t> expected = out;
                    for (std::size_t i = 0; i < bytes; i += 2) {
                        std::uint16_t v = bitwiseProduct(coef, static_cast<std::uint16_t>(in[i] | in[i + 1] << 8));
                        if (add) v ^= static_cast<std::uint16_t>(out[i] | out[i + 1] << 8);
                        expected[i] = static_cast<std::uint8_t>(v);
                        expected[i + 1] = static_cast<std::uint8_t>(v >> 8);
                    }
                    // Starting one byte in, so no path may count on alignment.
                    std::vector<std::uint8_t> shiftedIn(bytes + 3), shiftedOut(bytes + 3);
                    std::copy(in.begin(), in.end(), shiftedIn.begin() + 1);
                    std::copy(out.begin(), out.end(), shiftedOut.begin() + 1);
                    Galois16::multiplyRegion(path, coef, shiftedIn.data() + 1, shiftedOut.data() + 1,
                                             bytes, add);
                    ASSERT_EQ(std::vector<std::uint8_t>(shiftedOut.begin() + 1, shiftedOut.end()), expected)
                        << "path " << static_cast<int>(path) << ", " << bytes << " bytes, coef " << coef
                        << (add ? ", adding" : "");
                }
}

TEST(Galois16, TheWidePathsAreOfferedOnThisCpu) {
#if defined(__x86_64__)
    if (!__builtin_cpu_supports("avx2")) GTEST_SKIP() << "no AVX2 here";
    EXPECT_EQ(Galois16::paths().back(), Galois16::Path::Avx2);
#else
    GTEST_SKIP() << "only the plain path off x86";
#endif
}

}  // namespace
}  // namespace qz
