#pragma once
// What a split or merge run from the command line reports, shown on the
// terminal: its questions, and its progress as the percentage the window's
// bar would show, so that both count alike, with the bytes copied of the
// whole run for its pace.

#include <cstddef>
#include <cstdint>

#include "engine/run/RunReport.h"

namespace qzcli {

class CliTerminal;

class CliReport : public qz::RunReport {
public:
    // split: the run splits, and ends by saying so; else it joins slices,
    // each named as it starts.
    CliReport(CliTerminal& terminal, bool split) : terminal_(terminal), split_(split) {}

    bool confirm(Question question) override;
    void pump() override {}
    void copying() override {}
    void startInput(std::size_t index, std::size_t count, std::int64_t length) override;
    void chunkAppended() override;
    void inputDone() override;
    void written() override;
    void rebuilt(const std::vector<std::string>& names) override;

private:
    CliTerminal& terminal_;
    bool split_;
    double step_ = 0;  // the window's bar's growth for a chunk
    double done_ = 0;  // its width so far
    // Bytes: of the inputs copied before this one, of this one, and copied
    // of it so far; the run's whole, where a merge's later slices are taken
    // to be as large as the one it joins (a set's slices differ by a chunk
    // or so, and the last one's size is known once it starts).
    std::int64_t before_ = 0, length_ = 0, copied_ = 0, total_ = 0;
};

}  // namespace qzcli
