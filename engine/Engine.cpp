#include "engine/Engine.h"

#include <algorithm>
#include <cmath>

#include "engine/FileError.h"
#include "engine/FileServices.h"
#include "engine/Host.h"
#include "engine/Interruption.h"
#include "engine/OutputFile.h"
#include "engine/SliceNames.h"
#include "engine/SliceSet.h"
#include "engine/WayOut.h"

namespace qz {

namespace {

const char* const kBusyCaption = "操作进行中,请稍等...";
// Whole chunks the kernel moves in one call: about a megabyte.
constexpr std::int64_t kBatch = 16;

// The leading decimal number of the count text, 0 when it starts with none.
// Saturates instead of overflowing: a huge count only makes slices too small.
std::int64_t leadingNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    std::int64_t n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        n = n > 100000000000000LL ? n : n * 10 + (text[i] - '0');
    return n;
}

// Raises a flag for as long as it lives.
class OperatingScope {
public:
    explicit OperatingScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~OperatingScope() { flag_ = false; }
    OperatingScope(const OperatingScope&) = delete;
    OperatingScope& operator=(const OperatingScope&) = delete;

private:
    bool& flag_;
};

}  // namespace

Engine::Engine(Host& host) : host_(host) {}

void Engine::adopt(const std::string& N, const std::string& dir) {
    SrcName_ = N;
    File1_.setPattern(SliceNames::setPattern(
        SliceNames::characterCount(N) >= 4 ? SliceNames::withoutLastFour(N) : ""));
    File1_.setPath(dir);
}

Engine::Outcome Engine::Command5_Click() {
    const OperatingScope running(operating_);
    failureReason_.clear();
    bool busy = false;
    try {
        const Inputs in = readInputs();
        if (in.text1.empty() || in.text3.empty()) return Outcome::Guard;
        kernelCopy_ = !throughBuffer_;
        if (in.split) {
            // Point the list at an existing set of this source, if any.
            File1_.setPattern(SliceNames::setPattern(in.srcName));
            File1_.setPath(in.text3);
        }
        enterBusy();
        busy = true;
        return in.split ? split(in) : merge(in);
    } catch (const FileError& e) {
        return fail(busy, e.what());
    } catch (const Interrupted& e) {
        return fail(busy, e.what());
    }
}

Engine::Inputs Engine::readInputs() const {
    Inputs in;
    in.text1 = host_.Text1();
    in.text2 = host_.Text2();
    in.text3 = host_.Text3();
    in.srcName = SrcName_;
    in.split = host_.Option1_0();
    in.deleteAfter = host_.Check1();
    return in;
}

Engine::Outcome Engine::split(const Inputs& in) {
    const Plan plan = openSource(in);
    if (SliceSet::tooSmall(InLen_, plan.n)) return leave(WayOut::kTooSmall, Outcome::Refused);
    if (!replaceExisting(in, plan.n)) return leave(WayOut::kNoToReplacing, Outcome::Declined);
    OutputFile::removeStale(in.text3, in.srcName);
    host_.setPicture1Visible(true);
    writeSlices(in, plan);
    closeInput();
    showBarFull("完成");
    DoneWidth_ = 0;
    return leave(WayOut::kCompleted, Outcome::Completed);
}

Engine::Plan Engine::openSource(const Inputs& in) {
    InFileNo_ = FileHandle::openRead(in.text1);
    host_.DoEvents();
    InLen_ = InFileNo_.length();
    const std::int64_t n = leadingNumber(in.text2);
    if (n == 0) throw FileError("切片个数为 0 / a piece count of 0 for", in.text1);
    setStepFor(InLen_, in.text1);
    return {n, InLen_ / n};
}

bool Engine::replaceExisting(const Inputs& in, std::int64_t n) {
    const auto existing = SliceSet::taken(in.text3, in.srcName, static_cast<long>(n));
    if (existing.empty()) return true;
    if (host_.MsgBox("己存在该文件切片,是否代替原切片?", "提示", MsgQuestion) != MsgAnswer::Yes)
        return false;
    for (const SliceSet::Slice& old : existing) FileServices::killIfStill(old.path, old.entry);
    return true;
}

void Engine::writeSlices(const Inputs& in, const Plan& plan) {
    // Slices get the source's permissions, as a copy would.
    const unsigned mode = InFileNo_.mode();
    std::vector<OutputFile> slices;
    slices.reserve(static_cast<std::size_t>(plan.n));
    for (std::int64_t i = 1; i <= plan.n; ++i) {
        slices.emplace_back(SliceNames::slicePath(in.text3, in.srcName, static_cast<long>(i)),
                            in.srcName, mode, !namedTemporaries_);
        const std::int64_t end = i < plan.n ? i * plan.S : InLen_;
        copyChunks(end, slices.back());
        if (i == plan.n && iPos_ < InLen_) appendChunk(InLen_ - iPos_, slices.back());
        slices.back().park();
    }
    nameSlices(slices, in.text3);
}

void Engine::nameSlices(std::vector<OutputFile>& slices, const std::string& dir) {
    Interruption::check();
    try {
        for (std::size_t k = 1; k < slices.size(); ++k) slices[k].commit(false);
        FileServices::syncDirectory(dir);
        slices.front().commit(false);
        FileServices::syncDirectory(dir);
    } catch (...) {
        for (OutputFile& slice : slices) slice.retract();
        throw;
    }
}

Engine::Outcome Engine::merge(const Inputs& in) {
    const SliceSet set = SliceSet::check(in.text1);
    const std::string output = outputOf(in, set);
    const Existing existing = confirmOutput(output);
    if (existing == Existing::Kept) return leave(WayOut::kNoToOverwriting, Outcome::Declined);
    writeOutput(in, set, output, existing == Existing::Replaced);
    showBarFull("100%");
    if (in.deleteAfter) deleteSlices(set);
    return leave(WayOut::kCompleted, Outcome::Completed);
}

std::string Engine::outputOf(const Inputs& in, const SliceSet& set) const {
    const std::string output = in.text3 + SliceNames::withoutLastFour(in.srcName);
    for (const SliceSet::Slice& slice : set.slices())
        if (FileServices::sameFile(slice.path, output))
            throw FileError("输出文件会写在切片上 / the output would overwrite a slice", output);
    return output;
}

Engine::Existing Engine::confirmOutput(const std::string& output) {
    const auto existing = FileServices::entry(output);
    if (!existing) return Existing::None;
    if (existing->kind == FileServices::Entry::Kind::Directory)
        throw FileError("输出的名字是一个目录 / a directory stands at the output's name", output);
    return host_.MsgBox("文件己经存在，是否覆盖原文件？", "提示", MsgQuestion) == MsgAnswer::Yes
               ? Existing::Replaced
               : Existing::Kept;
}

void Engine::writeOutput(const Inputs& in, const SliceSet& set, const std::string& output,
                         bool replace) {
    const std::string name = SliceNames::bareName(output);
    OutputFile::removeStale(in.text3, name);
    host_.setPicture1Visible(true);
    // The output gets the first slice's permissions, as a copy would.
    OutputFile out(output, name, set.slices().front().mode, !namedTemporaries_);
    joinSlices(set, out);
    Interruption::check();
    // An existing output is replaced only now, by the whole new one.
    out.commit(replace);
    FileServices::syncDirectory(in.text3);
}

void Engine::joinSlices(const SliceSet& set, OutputFile& out) {
    const auto& slices = set.slices();
    for (std::size_t k = 0; k < slices.size(); ++k) {
        iPos_ = 0;
        InFileNo_ = FileHandle::openRead(slices[k].path);
        InLen_ = InFileNo_.length();
        if (InFileNo_.identity() != slices[k].data || InLen_ != slices[k].size)
            throw FileError("切片在检查之后变了 / the slice changed after the check", slices[k].path);
        if (k > 0) host_.setLabel6Width(10);
        setStepFor(InLen_, slices[k].path);
        copyChunks(InLen_, out);
        if (iPos_ != InLen_) appendChunk(InLen_ - iPos_, out);
        closeInput();
        DoneWidth_ = 0;
    }
}

void Engine::deleteSlices(const SliceSet& set) {
    for (const SliceSet::Slice& slice : set.slices())
        FileServices::killIfStill(slice.path, slice.entry);
    FileServices::syncDirectory(set.directory());
}

void Engine::SaveFiles(OutputFile& where) {
    where.file().append(DataBuf_.data(), DataBuf_.size());
    advanceProgress();
}

void Engine::advanceProgress() {
    DoneWidth_ += StepWidth_;
    host_.setLabel6Width(static_cast<float>(DoneWidth_));
    const auto p = static_cast<long long>(std::floor(host_.Label6Width() / kFullWidth * 100));
    host_.setLabel7(p > 100 ? std::string("100%") : std::to_string(p) + "%");
}

void Engine::copyChunks(std::int64_t end, OutputFile& out) {
    while (iPos_ + kChunk < end) {
        // The kernel moves a batch of whole chunks in one call, which costs
        // less than a call for each; every chunk still takes its own
        // progress step, pump and check, once its bytes are in.
        const std::int64_t batch = std::min(kBatch, (end - iPos_ - 1) / kChunk);
        if (copyInKernel(batch * kChunk, out)) {
            for (std::int64_t k = 0; k < batch; ++k) {
                advanceProgress();
                nextChunk();
            }
        } else {
            readChunk(kChunk);
            SaveFiles(out);
            nextChunk();
        }
    }
}

void Engine::nextChunk() {
    iPos_ += kChunk;
    host_.DoEvents();
    Interruption::check();
}

void Engine::appendChunk(std::int64_t size, OutputFile& out) {
    if (copyInKernel(size, out)) {
        advanceProgress();
        return;
    }
    readChunk(size);
    SaveFiles(out);
}

bool Engine::copyInKernel(std::int64_t size, OutputFile& out) {
    if (kernelCopy_ && out.file().appendFrom(InFileNo_, iPos_, static_cast<std::size_t>(size)))
        return true;
    kernelCopy_ = false;
    return false;
}

void Engine::readChunk(std::int64_t size) {
    DataBuf_.resize(static_cast<std::size_t>(size));
    InFileNo_.readAt(iPos_, DataBuf_.data(), DataBuf_.size());
}

void Engine::setStepFor(std::int64_t len, const std::string& path) {
    if (len == 0) throw FileError("文件是空的 / the file is empty", path);
    StepWidth_ = kFullWidth / (static_cast<double>(len) / kChunk);
}

void Engine::enterBusy() {
    host_.setCaption(kBusyCaption);
    host_.setCommand5Enabled(false);
    host_.setFrame1Enabled(false);
}

void Engine::showBarFull(const std::string& text) {
    host_.setLabel6Width(host_.Picture1InnerWidth());
    host_.setLabel7(text);
}

void Engine::closeInput() { InFileNo_.close(); }

Engine::Outcome Engine::leave(const WayOut& way, Outcome outcome, bool busy) {
    closeInput();
    if (way.message) host_.MsgBox(way.message, way.title, MsgInfo);
    if (way.progress == WayOut::Progress::Hidden) host_.setPicture1Visible(false);
    if (way.resetBar) DoneWidth_ = 0;
    iPos_ = 0;
    if (busy) {
        host_.setCaption(way.caption);
        host_.setFrame1Enabled(true);
        host_.setCommand5Enabled(true);
    }
    if (way.emptySource) {
        host_.setText1("");
        host_.setLabel3("");
    }
    if (way.emptySaveLocation) host_.setText3("");
    if (way.focusCount) host_.focusText2SelectAll();
    return outcome;
}

Engine::Outcome Engine::fail(bool busy, const std::string& reason) {
    InFileNo_ = FileHandle();  // closed quietly: this way out reports the first failure
    failureReason_ = reason;
    return leave(WayOut::kError, Outcome::Failed, busy);
}

}  // namespace qz
