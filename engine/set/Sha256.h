#pragma once
// SHA-256 of a stream of bytes, through OpenSSL's libcrypto, which uses the
// CPU's SHA instructions where it has them: the sums a split writes beside
// its slices and the check of every slice a merge or verify reads.

#include <cstddef>
#include <string>

struct evp_md_ctx_st;

namespace qz {

class FileHandle;

class Sha256 {
public:
    Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    ~Sha256();

    // Adds size bytes at data to what is hashed.
    void update(const void* data, std::size_t size);
    // The digest of everything added, as 64 lower-case hex digits; the
    // hasher starts over afterwards.
    std::string hex();

    // The digest of the whole open file, read in large pieces; FileError
    // when it cannot be read. Stops with Interrupted when a signal arrives.
    static std::string of(const FileHandle& file);

private:
    // Readies the context for a new stream; std::runtime_error if it cannot.
    void start();

    evp_md_ctx_st* ctx_;
};

}  // namespace qz
