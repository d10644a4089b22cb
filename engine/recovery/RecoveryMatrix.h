#pragma once
// The linear algebra of a rebuild. Each recovery block of exponent e holds
// the sum, over the input blocks, of constant^e times the input: with the
// inputs at hand moved to the other side, as many blocks as inputs lost
// give a square system, solved here by Gauss-Jordan elimination over
// GF(2^16). The answer is a factor for every source a lost input is made
// from, so the data need pass only once.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qz {

class RecoveryMatrix {
public:
    // lost: the constants of the inputs sought; exponents: those of the
    // recovery blocks at hand; present: the constants of the inputs at hand.
    RecoveryMatrix(const std::vector<std::uint16_t>& lost, const std::vector<std::uint32_t>& exponents,
                   const std::vector<std::uint16_t>& present);

    // Whether the blocks determine the lost inputs: enough of them, and
    // independent.
    bool solved() const { return solved_; }
    // The blocks the answer uses, one per lost input, as indexes into
    // exponents; once solved.
    const std::vector<std::size_t>& blocksUsed() const { return used_; }
    // The factor of source s in lost input j. The sources are the blocks
    // used, in the order of blocksUsed, then the present inputs.
    std::uint16_t factor(std::size_t j, std::size_t s) const;

private:
    // Reduces the rows of the blocks to the lost inputs' unit rows; false
    // when a lost input has no block left to take it.
    bool eliminate(std::vector<std::vector<std::uint8_t>>& rows, std::size_t lost);
    // Fills factors_ from the reduced rows.
    void combine(const std::vector<std::vector<std::uint8_t>>& rows,
                 const std::vector<std::uint32_t>& exponents, const std::vector<std::uint16_t>& present);

    bool solved_ = false;
    std::vector<std::size_t> used_;  // also the row reduced to each lost input's
    std::vector<std::vector<std::uint8_t>> factors_;  // a row per lost input, words little-endian
};

}  // namespace qz
