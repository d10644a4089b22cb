#pragma once
// SHA-256 on a second thread: the copy reads a piece into one of a few
// buffers, hands it over and writes it out while the hash of it is worked
// out beside, so a copy that must hash every byte costs little more than
// one that does not. Pieces are hashed in the order they were handed over.

#include <array>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/set/Sha256.h"

namespace qz {

class HashPipe {
public:
    HashPipe();
    HashPipe(const HashPipe&) = delete;
    HashPipe& operator=(const HashPipe&) = delete;
    ~HashPipe();

    // A buffer of size bytes to read the next piece into, once the hashing
    // of what it held before is done.
    unsigned char* buffer(std::size_t size);
    // Hands over the buffer that buffer() gave last, filled, to be hashed.
    void hash();
    // The digest of everything handed over since the last digest, once all
    // of it is hashed, as 64 lower-case hex digits.
    std::string hex();

private:
    struct Slot {
        std::vector<unsigned char> bytes;
        bool full = false;  // handed over, not hashed yet
    };
    static constexpr std::size_t kSlots = 3;

    // The second thread: hashes the slots in turn until told to stop.
    void work();
    // Waits under lock until slot is free; rethrows what the hashing threw.
    void awaitFree(std::unique_lock<std::mutex>& lock, const Slot& slot);

    std::array<Slot, kSlots> slots_;
    std::size_t fill_ = 0, drain_ = 0;  // the next slot to fill, and to hash
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    std::exception_ptr error_;
    Sha256 sha_;  // the second thread's, except while nothing is handed over
    std::thread worker_;
};

}  // namespace qz
