#pragma once
// The operate command and the form-level state it shares with the window:
// the split, the merge, and the chunk append with its progress model. Every
// file an operation writes takes its final name only when it is whole and
// flushed, and a merge joins only a set it has checked whole.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/FileHandle.h"
#include "engine/FileList.h"

namespace qz {

class Host;
class OutputFile;
class SliceSet;
struct WayOut;

class Engine {
public:
    // How one run of the operate command ended.
    enum class Outcome {
        Guard,      // Text1 or Text3 empty: nothing happened
        Completed,  // "操作完成!"
        Refused,    // the 64KB refusal
        Declined,   // No to replacing slices or to overwriting the output
        Failed,     // the error path, "切片错误"
    };

    static constexpr std::int64_t kChunk = 65535;  // bytes, not 65 536
    static constexpr double kFullWidth = 1800.0;   // twips that count as 100 %

    explicit Engine(Host& host);

    // The operate button: a split when Option1(0) is selected, else a merge.
    Outcome Command5_Click();
    // Appends DataBuf to where, a file being written, and advances the
    // progress display.
    void SaveFiles(OutputFile& where);

    // Takes N, the bare name of the chosen source in the directory dir: it
    // becomes SrcName, and File1 lists the slice set a first slice called N
    // starts (pattern N less its last four characters, then ".QZ*"; a name
    // too short for that gets ".QZ*" alone). FileError when dir cannot be
    // listed; SrcName and the pattern are taken all the same.
    void adopt(const std::string& N, const std::string& dir);

    // Bare name of the source, as adopted.
    const std::string& SrcName() const { return SrcName_; }
    // The never-visible file list, as adopted or as the last split left it.
    const FileList& File1() const { return File1_; }
    // Bytes consumed from the input file now open; 0 whenever idle.
    std::int64_t iPos() const { return iPos_; }
    // Whether the operate command is running: from its start until it has
    // taken one of its ways out.
    bool operating() const { return operating_; }

    // Why the last run of the operate command took the error path: what
    // failed and where. Empty after every other way out.
    const std::string& failureReason() const { return failureReason_; }

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
    // Writes every file under a hidden temporary name, as on file systems
    // that have no unnamed files.
    void namedTemporaries(bool on) { namedTemporaries_ = on; }

private:
    // What the command read when it started: later changes to the window (a
    // drop during an operation) never redirect its chunks.
    struct Inputs {
        std::string text1, text2, text3, srcName;
        bool split = true;
        bool deleteAfter = false;
    };
    // A split's count n and nominal slice size S.
    struct Plan {
        std::int64_t n = 0, S = 0;
    };
    // What stands at a merge's output name, and what the user said of it.
    enum class Existing { None, Replaced, Kept };

    Inputs readInputs() const;

    // Splits the source into slices in the save location.
    Outcome split(const Inputs& in);
    // Opens the source, lets the window repaint, and sets the progress step;
    // the count and the nominal slice size.
    Plan openSource(const Inputs& in);
    // Asks before replacing what stands at the slice names of the source;
    // Yes removes exactly those. False for any other answer.
    bool replaceExisting(const Inputs& in, std::int64_t n);
    // Copies the source into slices 1 to n, each flushed and parked under a
    // temporary name, then names them.
    void writeSlices(const Inputs& in, const Plan& plan);
    // Names the parked slices, slice 1 last, so that the set is there only
    // when all of it is; takes the names back again when that fails.
    void nameSlices(std::vector<OutputFile>& slices, const std::string& dir);

    // Joins the set whose first slice is Text1: find the set and check it,
    // confirm the output, copy, delete.
    Outcome merge(const Inputs& in);
    // The output's path; FileError when it would be one of the slices.
    std::string outputOf(const Inputs& in, const SliceSet& set) const;
    // Asks about anything at the output's name; FileError for a directory.
    Existing confirmOutput(const std::string& output);
    // Writes the joined set and gives it the output's name, flushed.
    void writeOutput(const Inputs& in, const SliceSet& set, const std::string& output,
                     bool replace);
    // Appends every slice of the checked set to out, each still the very
    // file the check saw.
    void joinSlices(const SliceSet& set, OutputFile& out);
    // Deletes exactly the slices that were joined.
    void deleteSlices(const SliceSet& set);

    // Ends the command the way the row says; busy: the busy state had been
    // entered.
    Outcome leave(const WayOut& way, Outcome outcome, bool busy = true);
    Outcome fail(bool busy, const std::string& reason);
    void enterBusy();
    // The bar across the whole progress area, with text beside it.
    void showBarFull(const std::string& text);

    // Copies the open input from iPos up to end into out, chunk by chunk,
    // with the event pump after each chunk.
    void copyChunks(std::int64_t end, OutputFile& out);
    // Past one whole chunk: the pump, and a signal's check.
    void nextChunk();
    // Appends the next size bytes of the input to out, exactly as reading
    // them into DataBuf and SaveFiles would; where the file systems allow,
    // the bytes move inside the kernel and never pass through DataBuf.
    void appendChunk(std::int64_t size, OutputFile& out);
    // Moves the next size bytes of the input to out inside the kernel; false,
    // with nothing moved, where the file systems cannot, from then on.
    bool copyInKernel(std::int64_t size, OutputFile& out);
    // Reads the next size bytes of the input into DataBuf.
    void readChunk(std::int64_t size);
    // Advances the bar by one step and shows the percentage.
    void advanceProgress();
    // StepWidth for an input of len bytes; FileError for an empty input.
    void setStepFor(std::int64_t len, const std::string& path);
    void closeInput();

    Host& host_;
    std::string SrcName_;
    FileList File1_;
    std::int64_t iPos_ = 0;
    bool operating_ = false;
    std::int64_t InLen_ = 0;
    FileHandle InFileNo_;
    std::vector<unsigned char> DataBuf_;
    double StepWidth_ = 0;
    double DoneWidth_ = 0;
    bool throughBuffer_ = false;
    bool namedTemporaries_ = false;
    bool kernelCopy_ = true;  // this run's files still take the in-kernel copy
    std::string failureReason_;
};

}  // namespace qz
