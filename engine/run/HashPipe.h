#pragma once
// SHA-256 on the run's worker: the copy reads a piece into one of a few
// buffers, hands it over and writes it out while the hash of it is worked
// out beside, so a copy that must hash every byte costs little more than
// one that does not. Pieces are hashed in the order they were handed over.

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "engine/run/Worker.h"
#include "engine/set/Sha256.h"

namespace qz {

class HashPipe {
public:
    explicit HashPipe(Worker& worker) : worker_(worker) {}
    HashPipe(const HashPipe&) = delete;
    HashPipe& operator=(const HashPipe&) = delete;
    // Waits until the worker is done with the buffers.
    ~HashPipe() { worker_.settle(); }

    // A buffer of size bytes to read the next piece into, once the hashing
    // of what it held before is done.
    unsigned char* buffer(std::size_t size);
    // Hands over the buffer that buffer() gave last, filled, to be hashed.
    void hash();
    // From now on each piece handed over goes to beside on the worker, and
    // is hashed on the calling thread instead, which then shares the work
    // out better; with beside empty, the hashing goes back to the worker.
    void alsoTo(std::function<void(const unsigned char*, std::size_t)> beside) {
        beside_ = std::move(beside);
    }
    // The digest of everything handed over since the last digest, once all
    // of it is hashed, as 64 lower-case hex digits.
    std::string hex();

private:
    struct Slot {
        std::vector<unsigned char> bytes;
        Worker::Ticket hashed = 0;  // the task that hashes it; 0: none yet
    };
    static constexpr std::size_t kSlots = 3;

    Worker& worker_;
    std::array<Slot, kSlots> slots_;
    std::size_t fill_ = 0;  // the next slot to fill
    Sha256 sha_;            // the worker's, except while nothing is handed over
    std::function<void(const unsigned char*, std::size_t)> beside_;
};

}  // namespace qz
