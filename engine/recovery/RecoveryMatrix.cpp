#include "engine/recovery/RecoveryMatrix.h"

#include <algorithm>

#include "engine/recovery/Galois16.h"

namespace qz {

namespace {

// Blocks beyond the lost inputs' count taken into the elimination: spares
// for the rare choice of exponents whose rows are not independent.
constexpr std::size_t kSpareBlocks = 8;

std::uint16_t wordAt(const std::vector<std::uint8_t>& row, std::size_t i) {
    return static_cast<std::uint16_t>(row[2 * i] | row[2 * i + 1] << 8);
}

void setWord(std::vector<std::uint8_t>& row, std::size_t i, std::uint16_t value) {
    row[2 * i] = static_cast<std::uint8_t>(value);
    row[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
}

}  // namespace

RecoveryMatrix::RecoveryMatrix(const std::vector<std::uint16_t>& lost,
                               const std::vector<std::uint32_t>& exponents,
                               const std::vector<std::uint16_t>& present) {
    const std::size_t m = lost.size();
    const std::size_t blocks = std::min(exponents.size(), m + kSpareBlocks);
    if (blocks < m) return;
    // Row r: the lost inputs' factors in block r, then the unit row that
    // records which blocks the row was made of.
    std::vector<std::vector<std::uint8_t>> rows(blocks, std::vector<std::uint8_t>(2 * (m + blocks)));
    for (std::size_t r = 0; r < blocks; ++r) {
        for (std::size_t j = 0; j < m; ++j) setWord(rows[r], j, Galois16::power(lost[j], exponents[r]));
        setWord(rows[r], m + r, 1);
    }
    if (!eliminate(rows, m)) return;
    combine(rows, exponents, present);
    solved_ = true;
}

bool RecoveryMatrix::eliminate(std::vector<std::vector<std::uint8_t>>& rows, std::size_t lost) {
    std::vector<bool> taken(rows.size());
    for (std::size_t c = 0; c < lost; ++c) {
        std::size_t p = 0;
        while (p < rows.size() && (taken[p] || wordAt(rows[p], c) == 0)) ++p;
        if (p == rows.size()) return false;
        taken[p] = true;
        used_.push_back(p);
        std::vector<std::uint8_t>& pivot = rows[p];
        Galois16::mul(Galois16::inverse(wordAt(pivot, c)), pivot.data(), pivot.data(), pivot.size());
        for (std::size_t r = 0; r < rows.size(); ++r)
            if (r != p) Galois16::mulAdd(wordAt(rows[r], c), pivot.data(), rows[r].data(), pivot.size());
    }
    return true;
}

void RecoveryMatrix::combine(const std::vector<std::vector<std::uint8_t>>& rows,
                             const std::vector<std::uint32_t>& exponents,
                             const std::vector<std::uint16_t>& present) {
    const std::size_t m = used_.size();
    // The present inputs' part of each block, moved to the other side.
    std::vector<std::vector<std::uint8_t>> presentRows(m, std::vector<std::uint8_t>(2 * present.size()));
    for (std::size_t s = 0; s < m; ++s)
        for (std::size_t i = 0; i < present.size(); ++i)
            setWord(presentRows[s], i, Galois16::power(present[i], exponents[used_[s]]));
    for (std::size_t j = 0; j < m; ++j) {
        std::vector<std::uint8_t> row(2 * (m + present.size()));
        std::vector<std::uint8_t> presentPart(2 * present.size());
        for (std::size_t s = 0; s < m; ++s) {
            // A pivot row only ever took in other pivot rows: its answer
            // draws on the blocks used alone.
            const std::uint16_t f = wordAt(rows[used_[j]], m + used_[s]);
            setWord(row, s, f);
            Galois16::mulAdd(f, presentRows[s].data(), presentPart.data(), presentPart.size());
        }
        std::copy(presentPart.begin(), presentPart.end(), row.begin() + static_cast<std::ptrdiff_t>(2 * m));
        factors_.push_back(std::move(row));
    }
}

std::uint16_t RecoveryMatrix::factor(std::size_t j, std::size_t s) const { return wordAt(factors_[j], s); }

}  // namespace qz
