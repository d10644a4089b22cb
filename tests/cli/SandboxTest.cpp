// qzslice-cli where the system allows less: a sandbox's filter that refuses
// the newer file calls, and a folder another user may enter but not list.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/cli/CliFixture.h"

namespace {

namespace fs = std::filesystem;

using Sandbox = CliFixture;

// A filter that answers copy_file_range, renameat2 and sync_file_range with
// EPERM or ENOSYS: split and merge take the plain way, as cp and cat would, and
// flush only at the end.
TEST_F(Sandbox, RefusedCallsFallBackToThePlainWay) {
    const Bytes src = make("big", 20 << 20);  // the merge passes the 16 MiB of a write-back beside
    mkdir("out");
    for (const char* err : {"EPERM", "ENOSYS"}) {
        const std::string prefix = std::string(REFUSE_CALLS) + " " + err + " '" + QZSLICE_CLI + "' ";
        ASSERT_EQ(shell(prefix + "split big 3 --yes -q"), 0) << err;
        fs::remove(at("big.QZ.sha256"));  // a set without sums is joined in the kernel
        ASSERT_EQ(shell(prefix + "merge big.QZ1 --to out --yes -q"), 0) << err;
        EXPECT_EQ(bytesOf("out/big"), src) << err;
    }
}

// Where no thread can be started, a split and a merge that hash every byte
// do their work on the one thread they have.
TEST_F(Sandbox, NoThreadToBeHadStillSplitsAndJoins) {
    const Bytes src = make("big", 20 << 20);
    mkdir("out");
    const std::string prefix = std::string(REFUSE_CALLS) + " NOTHREADS '" + QZSLICE_CLI + "' ";
    ASSERT_EQ(shell(prefix + "split big 3 -q"), 0);
    ASSERT_EQ(shell(prefix + "merge big.QZ1 --to out -q"), 0);
    EXPECT_EQ(bytesOf("out/big"), src);
}

// Nothing needs to list the source's folder to split it.
TEST_F(Sandbox, AFolderThatCanBeEnteredButNotListedStillTakesASplit) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to run the tool as another user";
    mkdir("locked");
    const Bytes src = make("locked/f", 300000);
    mkdir("out");
    ASSERT_EQ(::chmod(at("").c_str(), 0711), 0);
    ASSERT_EQ(::chmod(at("locked").c_str(), 0711), 0);
    ASSERT_EQ(::chmod(at("out").c_str(), 0777), 0);
    const std::string nobody = "setpriv --reuid=65534 --regid=65534 --clear-groups '" +
                               std::string(QZSLICE_CLI) + "' ";
    EXPECT_EQ(shell(nobody + "split locked/f 2 --to out -q"), 0);
    EXPECT_EQ(shell(nobody + "check out/f.QZ1 -q"), 0);
    ASSERT_EQ(::chmod(at("").c_str(), 0700), 0);
}

}  // namespace
