#pragma once
// Slice sets with PAR2 files for the recovery tests: slices of pseudo-random
// bytes written to a scratch folder, our encoder's volumes beside them, and
// par2 run there as the judge of what we write and the maker of what we
// read.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace qz {

class RecoveryFixture : public ::testing::Test {
protected:
    using Bytes = std::vector<unsigned char>;

    // Writes slices name.QZ1 ... of these sizes; keeps their bytes in slices_.
    void writeSlices(const std::string& name, const std::vector<std::int64_t>& sizes);
    // Our encoder's files for the set name.QZ, handed the slices in chunks
    // of chunk bytes.
    void encode(const std::string& name, std::uint32_t count, std::size_t chunk = 65536);
    // par2 run in the scratch folder with args; its exit status.
    int par2(const std::vector<std::string>& args) const;
    static bool havePar2();

    std::string slicePath(const std::string& name, std::size_t k) const;  // 1-based

    TempDir dir_;
    std::vector<Bytes> slices_;
};

}  // namespace qz
