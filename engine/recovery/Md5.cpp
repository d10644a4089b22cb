#include "engine/recovery/Md5.h"

#include <openssl/evp.h>

#include <algorithm>
#include <stdexcept>

namespace qz {

namespace {

// A context that does not fail to be made, or a runtime_error.
evp_md_ctx_st* newContext() {
    evp_md_ctx_st* ctx = EVP_MD_CTX_new();
    if (!ctx) throw std::runtime_error("MD5: out of memory");
    return ctx;
}

}  // namespace

Md5::Md5() : ctx_(newContext()) {
    if (EVP_DigestInit_ex(ctx_, EVP_md5(), nullptr) != 1) {
        EVP_MD_CTX_free(ctx_);
        throw std::runtime_error("MD5: libcrypto cannot start a digest");
    }
}

Md5::Md5(const Md5& other) : ctx_(newContext()) {
    if (EVP_MD_CTX_copy_ex(ctx_, other.ctx_) != 1) {
        EVP_MD_CTX_free(ctx_);
        throw std::runtime_error("MD5: libcrypto cannot copy a digest");
    }
}

Md5& Md5::operator=(const Md5& other) {
    if (this != &other && EVP_MD_CTX_copy_ex(ctx_, other.ctx_) != 1)
        throw std::runtime_error("MD5: libcrypto cannot copy a digest");
    return *this;
}

Md5::~Md5() { EVP_MD_CTX_free(ctx_); }

void Md5::update(const void* data, std::size_t size) {
    if (EVP_DigestUpdate(ctx_, data, size) != 1)
        throw std::runtime_error("MD5: libcrypto cannot hash");
}

void Md5::updateZeros(std::int64_t count) {
    static constexpr std::uint8_t kZeros[65536] = {};
    while (count > 0) {
        const auto piece = static_cast<std::size_t>(
            std::min<std::int64_t>(count, static_cast<std::int64_t>(sizeof kZeros)));
        update(kZeros, piece);
        count -= static_cast<std::int64_t>(piece);
    }
}

Md5::Digest Md5::digest() const {
    Md5 fork(*this);
    Digest digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(fork.ctx_, digest.data(), &length) != 1 || length != digest.size())
        throw std::runtime_error("MD5: libcrypto cannot finish a digest");
    return digest;
}

Md5::Digest Md5::of(const void* data, std::size_t size) {
    Md5 md5;
    md5.update(data, size);
    return md5.digest();
}

}  // namespace qz
