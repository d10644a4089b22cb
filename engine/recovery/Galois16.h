#pragma once
// Arithmetic in GF(2^16), the field of PAR2's Reed-Solomon code (generator
// polynomial 0x1100B): products through log and antilog tables, the
// constant each input block is given, and the loop that every byte of
// recovery data passes through, multiplying a whole region by one factor.
// That loop takes the widest instructions the CPU has (AVX2, else SSSE3)
// and a table of products elsewhere, chosen when the program runs.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qz {

class Galois16 {
public:
    static constexpr unsigned kGenerator = 0x1100B;
    // Input blocks a recovery set can have: the constants of order 65535.
    static constexpr std::size_t kMaxInputs = 32768;

    static std::uint16_t mul(std::uint16_t a, std::uint16_t b);
    // The x with a·x = 1; a must not be 0.
    static std::uint16_t inverse(std::uint16_t a);
    // a to the nth power (0^0 = 1).
    static std::uint16_t power(std::uint16_t a, std::uint32_t n);
    // The constant of the input block at 0-based index (below kMaxInputs):
    // the index-th power of 2 whose exponent is divisible by none of 3, 5,
    // 17 and 257, so that each has order 65535 and any matrix of their
    // powers for distinct exponents can be inverted.
    static std::uint16_t inputConstant(std::size_t index);

    // How a region is multiplied: each path gives the same bytes.
    enum class Path { Plain, Ssse3, Avx2 };
    // The paths this CPU can take, fastest last.
    static std::vector<Path> paths();

    // inout ^= coef·in over bytes/2 little-endian 16-bit words; bytes even.
    static void mulAdd(std::uint16_t coef, const std::uint8_t* in, std::uint8_t* inout,
                       std::size_t bytes);
    // out = coef·in, as mulAdd; out may be in.
    static void mul(std::uint16_t coef, const std::uint8_t* in, std::uint8_t* out,
                    std::size_t bytes);
    // mulAdd (add) or mul (!add) along the given path, which this CPU must
    // offer: for the tests and the benchmark to compare the paths.
    static void multiplyRegion(Path path, std::uint16_t coef, const std::uint8_t* in,
                               std::uint8_t* out, std::size_t bytes, bool add);
};

}  // namespace qz
