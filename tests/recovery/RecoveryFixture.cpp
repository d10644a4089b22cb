#include "tests/recovery/RecoveryFixture.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "engine/io/FileHandle.h"
#include "engine/recovery/Par2Names.h"
#include "engine/recovery/RecoveryEncoder.h"

namespace qz {

void RecoveryFixture::writeSlices(const std::string& name, const std::vector<std::int64_t>& sizes) {
    slices_.clear();
    for (std::size_t k = 0; k < sizes.size(); ++k) {
        slices_.push_back(TempDir::pattern(sizes[k], static_cast<unsigned>(k + 1)));
        TempDir::write(slicePath(name, k + 1), slices_.back());
    }
}

std::string RecoveryFixture::slicePath(const std::string& name, std::size_t k) const {
    return dir_ / (name + ".QZ" + std::to_string(k));
}

void RecoveryFixture::encode(const std::string& name, std::uint32_t count, std::size_t chunk) {
    std::vector<RecoveryEncoder::Slice> described;
    for (std::size_t k = 0; k < slices_.size(); ++k) {
        const Bytes& bytes = slices_[k];
        const auto head = std::min<std::size_t>(bytes.size(), SliceDigests::kHeadBytes);
        described.push_back({name + ".QZ" + std::to_string(k + 1), static_cast<std::int64_t>(bytes.size()),
                             Md5::of(bytes.data(), head)});
    }
    std::vector<FileHandle> files;
    for (const std::string& file : Par2Names::all(name + ".QZ", count))
        files.push_back(FileHandle::createNew(dir_ / file, 0644, FileHandle::Access::ReadWrite));
    std::vector<FileHandle*> outputs;
    for (FileHandle& file : files) outputs.push_back(&file);
    RecoveryEncoder encoder(described, count, outputs);
    for (std::size_t k = 0; k < slices_.size(); ++k)
        for (std::size_t at = 0; at < slices_[k].size(); at += chunk)
            encoder.addChunk(k, slices_[k].data() + at, std::min(chunk, slices_[k].size() - at));
    encoder.finish();
    for (FileHandle& file : files) file.close();
}

bool RecoveryFixture::havePar2() { return std::system("command -v par2 > /dev/null") == 0; }

int RecoveryFixture::par2(const std::vector<std::string>& args) const {
    // Without a shell, so names with any bytes reach par2 as they are.
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>("par2")};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        const int quiet = ::open("/dev/null", O_WRONLY);
        if (quiet < 0 || ::chdir(dir_.path().c_str()) != 0 || ::dup2(quiet, 1) < 0 || ::dup2(quiet, 2) < 0)
            ::_exit(126);
        ::execvp("par2", argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace qz
