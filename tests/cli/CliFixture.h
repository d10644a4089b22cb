#pragma once
// A scratch directory for each test of qzslice-cli, files made in it, and the
// tool run there; with the texts the tool must print, byte for byte.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/cli/CliProcess.h"
#include "tests/support/TempDir.h"

class CliFixture : public ::testing::Test {
protected:
    using Bytes = std::vector<unsigned char>;

    static constexpr const char* kDone = "Operation completed!\n";
    static constexpr const char* kError = "Slicing error\n";
    static constexpr const char* kTooSmall =
        "Sorry, slices so small would harm the file's integrity: keep every slice at 64KB or "
        "more! Please set the number of slices again!\n";
    static constexpr const char* kReplace = "Slices of this file exist already; replace them?";
    static constexpr const char* kOverwrite = "The file exists already; overwrite it?";
    static constexpr const char* kTakenAsNo = "no terminal to ask: taken as No\n";

    std::string at(const std::string& name) const { return dir_ / name; }
    bool has(const std::string& name) const { return qz::TempDir::exists(at(name)); }
    std::int64_t sizeOf(const std::string& name) const { return qz::TempDir::size(at(name)); }
    Bytes bytesOf(const std::string& name) const { return qz::TempDir::read(at(name)); }
    // Writes size pattern bytes to name and returns them.
    Bytes make(const std::string& name, std::int64_t size, unsigned seed = 1) const;
    // The names in dir, relative to the scratch directory, hidden ones
    // too, sorted.
    std::vector<std::string> entriesIn(const std::string& dir) const;
    // Creates dir, relative to the scratch directory, with its parents.
    void mkdir(const std::string& dir) const;

    // Runs the tool in the scratch directory, with no terminal.
    CliProcess::Result cli(const std::vector<std::string>& args) const {
        return CliProcess::run(args, dir_.path());
    }
    // Runs command with the shell sh in the scratch directory; its exit
    // status, 128 + the signal's number when a signal ended it.
    int shell(const std::string& command, const char* sh = "sh") const;
    // Splits a new source of size bytes into count slices; returns its bytes.
    Bytes splitNew(const std::string& name, std::int64_t size, int count) const;
    // The slices name.QZ1 to name.QZn joined in index order, as cat would.
    Bytes joined(const std::string& name, int n) const;

private:
    qz::TempDir dir_;
};
