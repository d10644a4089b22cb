#pragma once
// The operate command as the window presses it: it reads the window's
// fields into a split's or a merge's request, runs it, shows its questions
// and progress in the window's controls, and leaves the window the way the
// outcome says.

#include <cstdint>
#include <string>

#include "engine/ProgressBar.h"
#include "engine/run/RunEnding.h"
#include "engine/run/RunOptions.h"
#include "engine/run/RunReport.h"

namespace qz {

class ChunkCopy;
class Host;
struct WayOut;

class Engine : private RunReport {
public:
    // How one run of the operate command ended.
    enum class Outcome {
        Guard,      // Text1 or Text3 empty: nothing happened
        Completed,  // "操作完成!"
        Refused,    // the 64KB refusal
        Declined,   // No to replacing slices or to overwriting the output
        Failed,     // the error path, "切片错误"
        Unfinished, // the error path too, though the merge's output is whole
    };

    explicit Engine(Host& host, const RunOptions& options = {});

    // The operate button: a split when Option1(0) is selected, else a merge.
    Outcome Command5_Click();

    // Takes N, the bare name of the chosen source, as SrcName.
    void adopt(const std::string& N) { SrcName_ = N; }
    // Bare name of the source, as adopted.
    const std::string& SrcName() const { return SrcName_; }
    // Bytes consumed from the input file now open; 0 whenever idle.
    std::int64_t iPos() const;
    // Whether an input file is open now.
    bool inputOpen() const;
    // Whether the operate command is running: from its start until it has
    // taken one of its ways out.
    bool operating() const { return operating_; }
    // Why the last run of the operate command took the error path: what
    // failed and where. Empty after every other way out.
    const std::string& failureReason() const { return failureReason_; }
    ProgressBar& progress() { return progress_; }

private:
    // What the command read when it started: later changes to the window (a
    // drop during an operation) never redirect its chunks.
    struct Inputs {
        std::string text1, text2, text3, srcName;
        bool split = true;
        bool deleteAfter = false;
    };

    Inputs readInputs() const;
    RunEnding::Kind split(const Inputs& in);
    RunEnding::Kind merge(const Inputs& in);
    // Leaves the window the way the run's ending says; busy: the busy state
    // had been entered.
    Outcome end(const RunEnding& ending, bool split, bool busy);

    // Ends the command the way the row says; busy: the busy state had been
    // entered.
    Outcome leave(const WayOut& way, Outcome outcome, bool busy = true);
    Outcome fail(bool busy, const std::string& reason, Outcome outcome = Outcome::Failed);
    void enterBusy();

    bool confirm(Question question) override;
    void pump() override;
    void copying() override;
    void startInput(std::size_t index, std::size_t count, std::int64_t length) override;
    void chunkAppended() override;
    void inputDone() override;
    void written() override;

    Host& host_;
    RunOptions options_;
    ProgressBar progress_;
    std::string SrcName_;
    bool operating_ = false;
    bool splitting_ = true;               // what the running command does
    const ChunkCopy* copying_ = nullptr;  // the running command's input
    std::string failureReason_;
};

}  // namespace qz
