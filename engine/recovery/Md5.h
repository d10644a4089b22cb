#pragma once
// MD5 of a stream of bytes, through OpenSSL's libcrypto: PAR2 names files,
// sets and packets by their MD5 and checks every packet and block with it.
// A hasher can be copied mid-stream, so one pass over a slice gives both the
// digest of the slice and that of its block padded with zeros.

#include <array>
#include <cstddef>
#include <cstdint>

struct evp_md_ctx_st;

namespace qz {

class Md5 {
public:
    using Digest = std::array<std::uint8_t, 16>;

    Md5();
    Md5(const Md5& other);
    Md5& operator=(const Md5& other);
    ~Md5();

    // Adds size bytes at data to what is hashed.
    void update(const void* data, std::size_t size);
    // Adds count zero bytes.
    void updateZeros(std::int64_t count);
    // The digest of everything added so far; the hasher goes on unchanged.
    Digest digest() const;

    static Digest of(const void* data, std::size_t size);

private:
    evp_md_ctx_st* ctx_;
};

}  // namespace qz
