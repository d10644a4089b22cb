#include "tests/cli/CliFixture.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "engine/set/SliceNames.h"

CliFixture::Bytes CliFixture::make(const std::string& name, std::int64_t size,
                                   unsigned seed) const {
    Bytes bytes = qz::TempDir::pattern(size, seed);
    qz::TempDir::write(at(name), bytes);
    return bytes;
}

std::vector<std::string> CliFixture::entriesIn(const std::string& dir) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(at(dir)))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

void CliFixture::mkdir(const std::string& dir) const {
    std::filesystem::create_directories(at(dir));
}

int CliFixture::shell(const std::string& command, const char* sh) const {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(at("").c_str()) == 0) ::execlp(sh, sh, "-c", command.c_str(), nullptr);
        ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

CliFixture::Bytes CliFixture::splitNew(const std::string& name, std::int64_t size,
                                       int count) const {
    Bytes bytes = make(name, size);
    auto r = cli({"split", name, std::to_string(count), "--yes"});
    EXPECT_EQ(r.status, 0) << r.err;
    return bytes;
}

CliFixture::Bytes CliFixture::joined(const std::string& name, int n) const {
    Bytes all;
    for (int k = 1; k <= n; ++k) {
        Bytes part = bytesOf(qz::SliceNames::slicePath("", name, k));
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}
