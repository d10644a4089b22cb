#include "engine/run/HashPipe.h"

namespace qz {

unsigned char* HashPipe::buffer(std::size_t size) {
    Slot& slot = slots_[fill_];
    worker_.await(slot.hashed);
    slot.bytes.resize(size);
    return slot.bytes.data();
}

void HashPipe::hash() {
    Slot& slot = slots_[fill_];
    if (beside_) {
        slot.hashed = worker_.post(
            [&slot, beside = beside_] { beside(slot.bytes.data(), slot.bytes.size()); });
        sha_.update(slot.bytes.data(), slot.bytes.size());
    } else {
        slot.hashed = worker_.post([this, &slot] { sha_.update(slot.bytes.data(), slot.bytes.size()); });
    }
    fill_ = (fill_ + 1) % kSlots;
}

std::string HashPipe::hex() {
    worker_.awaitAll();
    return sha_.hex();
}

}  // namespace qz
