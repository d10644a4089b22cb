#include "engine/set/Sha256.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "engine/io/FileHandle.h"
#include "engine/io/Interruption.h"

namespace qz {

namespace {

// Big enough that a read costs little next to hashing it, small enough to
// stay out of the way of the memory a run is allowed.
constexpr std::size_t kPiece = std::size_t{1} << 20;

}  // namespace

Sha256::Sha256() : ctx_(EVP_MD_CTX_new()) {
    if (!ctx_) throw std::runtime_error("SHA-256: out of memory");
    start();
}

Sha256::~Sha256() { EVP_MD_CTX_free(ctx_); }

void Sha256::start() {
    if (EVP_DigestInit_ex(ctx_, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256: libcrypto cannot start a digest");
}

void Sha256::update(const void* data, std::size_t size) {
    if (EVP_DigestUpdate(ctx_, data, size) != 1)
        throw std::runtime_error("SHA-256: libcrypto cannot hash");
}

std::string Sha256::hex() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(ctx_, digest, &length) != 1)
        throw std::runtime_error("SHA-256: libcrypto cannot finish a digest");
    start();
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kDigits[digest[i] >> 4];
        text += kDigits[digest[i] & 15];
    }
    return text;
}

std::string Sha256::of(const FileHandle& file) {
    const std::int64_t length = file.length();
    std::vector<unsigned char> buffer(kPiece);
    Sha256 sha;
    for (std::int64_t at = 0; at < length; at += static_cast<std::int64_t>(kPiece)) {
        const auto piece = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(kPiece), length - at));
        file.readAt(at, buffer.data(), piece);
        sha.update(buffer.data(), piece);
        Interruption::check();
    }
    return sha.hex();
}

}  // namespace qz
