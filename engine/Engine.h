#pragma once
// The operate command and the form-level state it shares with the window:
// the split, the merge, and the chunk append with its progress model.

#include <cstdint>
#include <string>
#include <vector>

#include "FileHandle.h"
#include "FileList.h"

namespace qz {

class Host;

class Engine {
public:
    // How one run of the operate command ended.
    enum class Outcome {
        Guard,      // Text1 or Text3 empty: nothing happened
        Completed,  // "操作完成!"
        Refused,    // the 64KB refusal
        Declined,   // No to replacing a set or to overwriting the output
        Failed,     // the error path, "切片错误"
    };

    static constexpr std::int64_t kChunk = 65535;  // bytes, not 65 536
    static constexpr double kFullWidth = 1800.0;   // twips that count as 100 %

    explicit Engine(Host& host);

    // The operate button: a split when Option1(0) is selected, else a merge.
    Outcome Command5_Click();
    // Appends DataBuf to the file at where and advances the progress display.
    void SaveFiles(const std::string& where);

    // Form-level state set by source selection and read by the operations.
    std::string SrcName;
    FileList File1;
    // Bytes consumed from the input file now open; 0 whenever idle.
    std::int64_t iPos = 0;

    std::int64_t InLen() const { return InLen_; }
    bool inputOpen() const { return InFileNo_.isOpen(); }
    double StepWidth() const { return StepWidth_; }
    double DoneWidth() const { return DoneWidth_; }
    // For the progress model alone: the chunk buffer and step width that
    // SaveFiles reads.
    std::vector<unsigned char>& DataBuf() { return DataBuf_; }
    void setStepWidth(double twips) { StepWidth_ = twips; }
    // Moves every chunk through DataBuf, as on file systems that cannot copy
    // inside the kernel.
    void copyThroughBuffer(bool on) { throughBuffer_ = on; }

private:
    // What the command read when it started: later changes to the window (a
    // drop during an operation) never redirect its chunks.
    struct Inputs {
        std::string text1, text2, text3, srcName;
        bool split = true;
        bool deleteAfter = false;
    };

    Outcome split(const Inputs& in);
    Outcome merge(const Inputs& in);
    Outcome complete();
    // Back to idle with the source, save location and size caption emptied.
    void idleRestore();
    Outcome fail(bool busy);
    void enterBusy();
    void leaveBusy(const std::string& caption);

    // Copies the open input from iPos up to end to where, chunk by chunk.
    void copyChunks(std::int64_t end, const std::string& where);
    // Appends the next size bytes of the input to where, exactly as reading
    // them into DataBuf and SaveFiles would; where the file systems allow,
    // the bytes move inside the kernel and never pass through DataBuf.
    void appendChunk(std::int64_t size, const std::string& where);
    // Reads the next size bytes of the input into DataBuf.
    void readChunk(std::int64_t size);
    // The target at where, created anew on its first chunk of this run.
    FileHandle openTarget(const std::string& where);
    // Advances the bar by one step and shows the percentage.
    void advanceProgress();
    // StepWidth for an input of len bytes; FileError for an empty input.
    void setStepFor(std::int64_t len, const std::string& path);
    // Removes the files this run created, keeping any it has marked complete.
    void discardPartialOutputs();
    void closeInput();

    Host& host_;
    std::int64_t InLen_ = 0;
    FileHandle InFileNo_;
    std::vector<unsigned char> DataBuf_;
    double StepWidth_ = 0;
    double DoneWidth_ = 0;
    bool throughBuffer_ = false;
    bool kernelCopy_ = true;  // this run's files still take the in-kernel copy

    // A target file created by this run, with the identity it was created
    // with, so later chunks land in that very file and a failure can remove it.
    struct Target {
        std::string path;
        std::pair<std::uint64_t, std::uint64_t> id;
        bool complete = false;  // whole and good: kept even on the error path
    };
    std::vector<Target> targets_;
    // The target at path created earlier in this run, or nullptr.
    Target* findTarget(const std::string& path);
};

}  // namespace qz
