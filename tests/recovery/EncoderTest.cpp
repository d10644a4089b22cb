// What the encoder refuses: a source that changed since its first bytes
// were read, and bytes handed over in another order than the slices'.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <stdexcept>

#include "engine/io/FileError.h"
#include "engine/io/FileHandle.h"
#include "engine/recovery/Par2Names.h"
#include "engine/recovery/RecoveryEncoder.h"
#include "tests/support/TempDir.h"

namespace qz {
namespace {

class EncoderTest : public ::testing::Test {
protected:
    // An encoder of 1 block over two slices of 20000 and 100 bytes, whose
    // files are new every time.
    RecoveryEncoder encoder() {
        std::vector<FileHandle*> outputs;
        for (const std::string& name : Par2Names::all("e" + std::to_string(files_.size()) + ".QZ", 1)) {
            files_.push_back(FileHandle::createNew(dir_ / name, 0644, FileHandle::Access::ReadWrite));
            outputs.push_back(&files_.back());
        }
        return RecoveryEncoder({{"e.QZ1", 20000, Md5::of(one_.data(), SliceDigests::kHeadBytes)},
                                {"e.QZ2", 100, Md5::of(two_.data(), 100)}},
                               1, outputs);
    }

    TempDir dir_;
    std::deque<FileHandle> files_;  // where the encoders' pointers stay valid
    std::vector<unsigned char> one_ = TempDir::pattern(20000, 1), two_ = TempDir::pattern(100, 2);
};

TEST_F(EncoderTest, ASourceChangedSinceItsStartWasReadIsCaughtAtOnce) {
    RecoveryEncoder e = encoder();
    std::vector<unsigned char> changed = one_;
    changed[SliceDigests::kHeadBytes - 1] ^= 1;
    e.addChunk(0, changed.data(), SliceDigests::kHeadBytes - 1);
    EXPECT_THROW(e.addChunk(0, changed.data() + SliceDigests::kHeadBytes - 1, 1), FileError);
    // The last slice, shorter than 16 KiB, is checked whole.
    RecoveryEncoder whole = encoder();
    whole.addChunk(0, one_.data(), one_.size());
    std::vector<unsigned char> shortChanged = two_;
    shortChanged[99] ^= 1;
    EXPECT_THROW(whole.addChunk(1, shortChanged.data(), 100), FileError);
}

TEST_F(EncoderTest, BytesOutOfTheSlicesOrderAreRefused) {
    const std::vector<std::pair<const char*, std::function<void(RecoveryEncoder&)>>> cases{
        {"the second slice first", [&](RecoveryEncoder& e) { e.addChunk(1, two_.data(), 100); }},
        {"the next slice before this one ends",
         [&](RecoveryEncoder& e) {
             e.addChunk(0, one_.data(), 19999);
             e.addChunk(1, two_.data(), 100);
         }},
        {"more bytes than the slice has", [&](RecoveryEncoder& e) { e.addChunk(0, one_.data(), 20001); }},
        {"finished early",
         [&](RecoveryEncoder& e) {
             e.addChunk(0, one_.data(), 20000);
             e.finish();
         }},
    };
    for (const auto& [what, misuse] : cases) {
        RecoveryEncoder e = encoder();
        EXPECT_THROW(misuse(e), std::logic_error) << what;
    }
}

}  // namespace
}  // namespace qz
