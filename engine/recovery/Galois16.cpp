#include "engine/recovery/Galois16.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QZ_GF_X86 1
#endif

namespace qz {

namespace {

constexpr unsigned kOrder = 65535;  // nonzero elements

struct Tables {
    std::array<std::uint16_t, kOrder * 2> exp;  // doubled: no modulo after adding logs
    std::array<std::uint16_t, kOrder + 1> log;
    std::vector<std::uint16_t> constants;
};

const Tables& tables() {
    static const Tables t = [] {
        Tables made{};
        unsigned x = 1;
        for (unsigned i = 0; i < kOrder; ++i) {
            made.exp[i] = made.exp[i + kOrder] = static_cast<std::uint16_t>(x);
            made.log[x] = static_cast<std::uint16_t>(i);
            x <<= 1;
            if (x & 0x10000) x ^= Galois16::kGenerator;
        }
        made.constants.reserve(Galois16::kMaxInputs);
        for (unsigned n = 1; made.constants.size() < Galois16::kMaxInputs; ++n)
            if (n % 3 != 0 && n % 5 != 0 && n % 17 != 0 && n % 257 != 0)
                made.constants.push_back(made.exp[n]);
        return made;
    }();
    return t;
}

// The products of coef with every low byte and every high byte of a word.
struct ByteProducts {
    std::array<std::uint16_t, 256> low, high;
};

ByteProducts byteProducts(std::uint16_t coef) {
    ByteProducts p;
    for (unsigned b = 0; b < 256; ++b) {
        p.low[b] = Galois16::mul(coef, static_cast<std::uint16_t>(b));
        p.high[b] = Galois16::mul(coef, static_cast<std::uint16_t>(b << 8));
    }
    return p;
}

// Word by word through the log tables: for the few bytes the wide paths
// leave, where a table of products would cost more than it saves.
void regionWords(std::uint16_t coef, const std::uint8_t* in, std::uint8_t* out,
                 std::size_t bytes, bool add) {
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        std::uint16_t v = Galois16::mul(coef, static_cast<std::uint16_t>(in[i] | in[i + 1] << 8));
        if (add) v ^= static_cast<std::uint16_t>(out[i] | out[i + 1] << 8);
        out[i] = static_cast<std::uint8_t>(v);
        out[i + 1] = static_cast<std::uint8_t>(v >> 8);
    }
}

void regionPlain(std::uint16_t coef, const std::uint8_t* in, std::uint8_t* out,
                 std::size_t bytes, bool add) {
    if (bytes < 1024) return regionWords(coef, in, out, bytes, add);
    const ByteProducts p = byteProducts(coef);
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        std::uint16_t v = p.low[in[i]] ^ p.high[in[i + 1]];
        if (add) v ^= static_cast<std::uint16_t>(out[i] | out[i + 1] << 8);
        out[i] = static_cast<std::uint8_t>(v);
        out[i + 1] = static_cast<std::uint8_t>(v >> 8);
    }
}

#ifdef QZ_GF_X86

// The split-nibble tables: entry n of low[k] and high[k] holds the low and
// the high byte of coef·(n << 4k), for PSHUFB to look up 16 or 32 nibbles
// at once.
struct NibbleTables {
    alignas(16) std::uint8_t low[4][16], high[4][16];
};

NibbleTables nibbleTables(std::uint16_t coef) {
    NibbleTables t;
    for (unsigned k = 0; k < 4; ++k)
        for (unsigned n = 0; n < 16; ++n) {
            const std::uint16_t v = Galois16::mul(coef, static_cast<std::uint16_t>(n << (4 * k)));
            t.low[k][n] = static_cast<std::uint8_t>(v);
            t.high[k][n] = static_cast<std::uint8_t>(v >> 8);
        }
    return t;
}

// Words are split into a vector of their low bytes and one of their high
// bytes, each byte into its two nibbles; eight lookups give the product's
// two bytes, which are woven back into words.
__attribute__((target("ssse3")))
std::size_t regionSsse3(std::uint16_t coef, const std::uint8_t* in, std::uint8_t* out,
                        std::size_t bytes, bool add) {
    const NibbleTables t = nibbleTables(coef);
    __m128i tl[4], th[4];
    for (int k = 0; k < 4; ++k) {
        tl[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(t.low[k]));
        th[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(t.high[k]));
    }
    const __m128i nibble = _mm_set1_epi8(0x0f), lowByte = _mm_set1_epi16(0x00ff);
    std::size_t i = 0;
    for (; i + 32 <= bytes; i += 32) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 16));
        const __m128i lo = _mm_packus_epi16(_mm_and_si128(a, lowByte), _mm_and_si128(b, lowByte));
        const __m128i hi = _mm_packus_epi16(_mm_srli_epi16(a, 8), _mm_srli_epi16(b, 8));
        const __m128i n[4] = {_mm_and_si128(lo, nibble), _mm_and_si128(_mm_srli_epi16(lo, 4), nibble),
                              _mm_and_si128(hi, nibble), _mm_and_si128(_mm_srli_epi16(hi, 4), nibble)};
        __m128i rl = _mm_shuffle_epi8(tl[0], n[0]), rh = _mm_shuffle_epi8(th[0], n[0]);
        for (int k = 1; k < 4; ++k) {
            rl = _mm_xor_si128(rl, _mm_shuffle_epi8(tl[k], n[k]));
            rh = _mm_xor_si128(rh, _mm_shuffle_epi8(th[k], n[k]));
        }
        __m128i ra = _mm_unpacklo_epi8(rl, rh), rb = _mm_unpackhi_epi8(rl, rh);
        auto* o = reinterpret_cast<__m128i*>(out + i);
        if (add) {
            ra = _mm_xor_si128(ra, _mm_loadu_si128(o));
            rb = _mm_xor_si128(rb, _mm_loadu_si128(o + 1));
        }
        _mm_storeu_si128(o, ra);
        _mm_storeu_si128(o + 1, rb);
    }
    return i;
}

// As regionSsse3, 64 bytes at a time. Packing works within each 128-bit
// lane, and so does the unpacking after it, so the words come back in place.
__attribute__((target("avx2")))
std::size_t regionAvx2(std::uint16_t coef, const std::uint8_t* in, std::uint8_t* out,
                       std::size_t bytes, bool add) {
    const NibbleTables t = nibbleTables(coef);
    __m256i tl[4], th[4];
    for (int k = 0; k < 4; ++k) {
        tl[k] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(t.low[k])));
        th[k] = _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(t.high[k])));
    }
    const __m256i nibble = _mm256_set1_epi8(0x0f), lowByte = _mm256_set1_epi16(0x00ff);
    std::size_t i = 0;
    for (; i + 64 <= bytes; i += 64) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i + 32));
        const __m256i lo = _mm256_packus_epi16(_mm256_and_si256(a, lowByte), _mm256_and_si256(b, lowByte));
        const __m256i hi = _mm256_packus_epi16(_mm256_srli_epi16(a, 8), _mm256_srli_epi16(b, 8));
        const __m256i n[4] = {_mm256_and_si256(lo, nibble), _mm256_and_si256(_mm256_srli_epi16(lo, 4), nibble),
                              _mm256_and_si256(hi, nibble), _mm256_and_si256(_mm256_srli_epi16(hi, 4), nibble)};
        __m256i rl = _mm256_shuffle_epi8(tl[0], n[0]), rh = _mm256_shuffle_epi8(th[0], n[0]);
        for (int k = 1; k < 4; ++k) {
            rl = _mm256_xor_si256(rl, _mm256_shuffle_epi8(tl[k], n[k]));
            rh = _mm256_xor_si256(rh, _mm256_shuffle_epi8(th[k], n[k]));
        }
        __m256i ra = _mm256_unpacklo_epi8(rl, rh), rb = _mm256_unpackhi_epi8(rl, rh);
        auto* o = reinterpret_cast<__m256i*>(out + i);
        if (add) {
            ra = _mm256_xor_si256(ra, _mm256_loadu_si256(o));
            rb = _mm256_xor_si256(rb, _mm256_loadu_si256(o + 1));
        }
        _mm256_storeu_si256(o, ra);
        _mm256_storeu_si256(o + 1, rb);
    }
    return i;
}

#endif  // QZ_GF_X86

// Multiplying by 1 adds or copies: no lookups.
void regionByOne(const std::uint8_t* in, std::uint8_t* out, std::size_t bytes, bool add) {
    if (!add) {
        if (in != out) std::memmove(out, in, bytes);
        return;
    }
    // Eight bytes at a time: the compiler cannot tell that in and out do
    // not overlap, and would otherwise go byte by byte.
    std::size_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
        std::uint64_t a, b;
        std::memcpy(&a, in + i, 8);
        std::memcpy(&b, out + i, 8);
        b ^= a;
        std::memcpy(out + i, &b, 8);
    }
    for (; i < bytes; ++i) out[i] ^= in[i];
}

Galois16::Path fastestPath() {
    return Galois16::paths().back();
}

}  // namespace

std::uint16_t Galois16::mul(std::uint16_t a, std::uint16_t b) {
    if (a == 0 || b == 0) return 0;
    const Tables& t = tables();
    return t.exp[t.log[a] + t.log[b]];
}

std::uint16_t Galois16::inverse(std::uint16_t a) {
    const Tables& t = tables();
    return t.exp[(kOrder - t.log[a]) % kOrder];
}

std::uint16_t Galois16::power(std::uint16_t a, std::uint32_t n) {
    if (n == 0) return 1;
    if (a == 0) return 0;
    const Tables& t = tables();
    return t.exp[static_cast<std::uint64_t>(t.log[a]) * n % kOrder];
}

std::uint16_t Galois16::inputConstant(std::size_t index) { return tables().constants.at(index); }

std::vector<Galois16::Path> Galois16::paths() {
    std::vector<Path> offered{Path::Plain};
#ifdef QZ_GF_X86
    if (__builtin_cpu_supports("ssse3")) offered.push_back(Path::Ssse3);
    if (__builtin_cpu_supports("avx2")) offered.push_back(Path::Avx2);
#endif
    return offered;
}

void Galois16::multiplyRegion(Path path, std::uint16_t coef, const std::uint8_t* in,
                              std::uint8_t* out, std::size_t bytes, bool add) {
    if (coef == 0) {
        if (!add) std::memset(out, 0, bytes);
        return;
    }
    if (coef == 1) return regionByOne(in, out, bytes, add);
    std::size_t done = 0;
#ifdef QZ_GF_X86
    if (path == Path::Avx2) done = regionAvx2(coef, in, out, bytes, add);
    else if (path == Path::Ssse3) done = regionSsse3(coef, in, out, bytes, add);
#endif
    if (path == Path::Plain) regionPlain(coef, in, out, bytes, add);
    else regionWords(coef, in + done, out + done, bytes - done, add);
}

void Galois16::mulAdd(std::uint16_t coef, const std::uint8_t* in, std::uint8_t* inout,
                      std::size_t bytes) {
    static const Path path = fastestPath();
    multiplyRegion(path, coef, in, inout, bytes, true);
}

void Galois16::mul(std::uint16_t coef, const std::uint8_t* in, std::uint8_t* out,
                   std::size_t bytes) {
    static const Path path = fastestPath();
    multiplyRegion(path, coef, in, out, bytes, false);
}

}  // namespace qz
