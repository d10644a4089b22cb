#include "engine/run/HashPipe.h"

namespace qz {

HashPipe::HashPipe() : worker_([this] { work(); }) {}

HashPipe::~HashPipe() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

unsigned char* HashPipe::buffer(std::size_t size) {
    std::unique_lock lock(mutex_);
    Slot& slot = slots_[fill_];
    awaitFree(lock, slot);
    slot.bytes.resize(size);
    return slot.bytes.data();
}

void HashPipe::hash() {
    {
        const std::lock_guard lock(mutex_);
        slots_[fill_].full = true;
        fill_ = (fill_ + 1) % kSlots;
    }
    changed_.notify_all();
}

std::string HashPipe::hex() {
    std::unique_lock lock(mutex_);
    for (const Slot& slot : slots_) awaitFree(lock, slot);
    return sha_.hex();
}

void HashPipe::awaitFree(std::unique_lock<std::mutex>& lock, const Slot& slot) {
    changed_.wait(lock, [&] { return !slot.full || error_; });
    if (error_) std::rethrow_exception(error_);
}

void HashPipe::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        Slot& slot = slots_[drain_];
        changed_.wait(lock, [&] { return slot.full || stop_; });
        if (!slot.full) return;
        lock.unlock();
        try {
            sha_.update(slot.bytes.data(), slot.bytes.size());
        } catch (...) {
            lock.lock();
            error_ = std::current_exception();
            changed_.notify_all();
            return;
        }
        lock.lock();
        slot.full = false;
        drain_ = (drain_ + 1) % kSlots;
        changed_.notify_all();
    }
}

}  // namespace qz
