// Times the PAR2 recovery code on this machine: the region product on each
// path, the encoder over a 256 MiB set of 4 slices with 1 recovery block
// (its two halves apart, as a split may run them on two threads), and the
// rebuilding of one lost slice of that set. Writes its files in the folder
// given (default /tmp) and removes them.
//
//   qzslice-recovery-bench [folder]

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engine/io/FileHandle.h"
#include "engine/recovery/Galois16.h"
#include "engine/recovery/Md5.h"
#include "engine/recovery/Par2Names.h"
#include "engine/recovery/Rebuild.h"
#include "engine/recovery/RecoveryEncoder.h"
#include "engine/recovery/RecoverySet.h"

using namespace qz;

namespace {

constexpr std::int64_t kMiB = 1 << 20;

double seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void benchRegions() {
    const char* names[] = {"plain", "SSSE3", "AVX2"};
    for (std::size_t bytes : {std::size_t{256} << 10, std::size_t{64} << 20}) {
        std::vector<std::uint8_t> in(bytes), out(bytes);
        std::mt19937 random(1);
        for (auto& b : in) b = static_cast<std::uint8_t>(random());
        const std::size_t rounds = (std::size_t{1} << 30) / bytes;
        for (Galois16::Path path : Galois16::paths()) {
            const double s = seconds([&] {
                for (std::size_t r = 0; r < rounds; ++r) Galois16::multiplyRegion(path, 0x1234, in.data(), out.data(), bytes, true);
            });
            std::printf("mulAdd %-5s over %6zu KiB: %6.2f GB/s\n", names[static_cast<int>(path)], bytes >> 10,
                        static_cast<double>(rounds * bytes) / s / 1e9);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = std::string(argc > 1 ? argv[1] : "/tmp") + "/";
    benchRegions();

    const std::int64_t sliceSize = 64 * kMiB;
    std::vector<std::vector<std::uint8_t>> slices(4, std::vector<std::uint8_t>(static_cast<std::size_t>(sliceSize)));
    std::mt19937_64 random(2);
    for (auto& slice : slices)
        for (std::size_t i = 0; i < slice.size(); i += 8) {
            const std::uint64_t v = random();
            std::copy_n(reinterpret_cast<const std::uint8_t*>(&v), 8, slice.data() + i);
        }
    const double md5 = seconds([&] {
        Md5 whole;
        for (const auto& slice : slices) whole.update(slice.data(), slice.size());
        (void)whole.digest();
    });
    std::printf("MD5 alone over 256 MiB: %.3f s\n", md5);

    const std::string setName = "bench.QZ";
    std::vector<RecoveryEncoder::Slice> described;
    for (std::size_t k = 0; k < slices.size(); ++k)
        described.push_back({setName + std::to_string(k + 1), sliceSize,
                             Md5::of(slices[k].data(), SliceDigests::kHeadBytes)});
    const std::vector<std::string> names = Par2Names::all(setName, 1);
    std::vector<FileHandle> files;
    for (const std::string& name : names) {
        ::unlink((dir + name).c_str());
        files.push_back(FileHandle::createNew(dir + name, 0644, FileHandle::Access::ReadWrite));
    }
    RecoveryEncoder encoder(described, 1, {&files[0], &files[1]});
    const std::size_t chunk = static_cast<std::size_t>(kMiB);
    const auto feed = [&](void (RecoveryEncoder::*half)(std::size_t, const void*, std::size_t)) {
        for (std::size_t k = 0; k < slices.size(); ++k)
            for (std::size_t at = 0; at < slices[k].size(); at += chunk) (encoder.*half)(k, slices[k].data() + at, chunk);
    };
    const double digest = seconds([&] { feed(&RecoveryEncoder::digestChunk); });
    const double code = seconds([&] { feed(&RecoveryEncoder::codeChunk); });
    const double finish = seconds([&] { encoder.finish(); });
    std::printf("encoder, 256 MiB in 4 slices, 1 block: sums %.3f s, recovery data %.3f s, finish %.3f s\n",
                digest, code, finish);
    for (FileHandle& file : files) file.close();

    for (std::size_t k = 0; k < slices.size(); ++k) {
        FileHandle slice = FileHandle::createNew(dir + described[k].name + ".bench", 0644);
        slice.append(slices[k].data(), slices[k].size());
        slice.close();
    }
    // The set's slices, but for the second, under the names the set gives.
    for (std::size_t k : {0, 2, 3}) ::rename((dir + described[k].name + ".bench").c_str(), (dir + described[k].name).c_str());
    const RecoverySet set = RecoverySet::read(dir, setName);
    std::size_t lost = 0;
    while (set.slices()[lost].name != described[1].name) ++lost;
    FileHandle out = FileHandle::createNew(dir + described[1].name + ".rebuilt", 0644);
    const double rebuild = seconds([&] { Rebuild(set, {lost}).write({&out}); });
    out.close();
    std::printf("rebuild of one lost 64 MiB slice of the 256 MiB set: %.3f s\n", rebuild);
    for (const std::string& name : names) ::unlink((dir + name).c_str());
    for (const auto& slice : described) {
        ::unlink((dir + slice.name).c_str());
        ::unlink((dir + slice.name + ".bench").c_str());
        ::unlink((dir + slice.name + ".rebuilt").c_str());
    }
    return 0;
}
