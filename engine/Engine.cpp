#include "Engine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

#include "FileError.h"
#include "FileServices.h"
#include "Host.h"
#include "SliceNames.h"

namespace qz {

namespace {

const char* const kIdleCaption = "QZ切片宝V1.3优化版";
const char* const kStoppedCaption = "QZ切片宝";
const char* const kBusyCaption = "操作进行中,请稍等...";

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

// Slices 1 to n of the set whose first slice is first: the first slice
// itself, then base.QZ2 ... base.QZn.
std::vector<std::string> slicePaths(const std::string& first, const std::string& base,
                                    long n) {
    std::vector<std::string> paths{first};
    for (long k = 2; k <= n; ++k) paths.push_back(base + ".QZ" + std::to_string(k));
    return paths;
}

}  // namespace

Engine::Engine(Host& host) : host_(host) {}

Engine::Outcome Engine::Command5_Click() {
    bool busy = false;
    try {
        Inputs in;
        in.text1 = host_.Text1();
        in.text3 = host_.Text3();
        if (in.text1.empty() || in.text3.empty()) return Outcome::Guard;
        in.text2 = host_.Text2();
        in.srcName = SrcName;
        in.split = host_.Option1_0();
        in.deleteAfter = host_.Check1();
        targets_.clear();
        kernelCopy_ = !throughBuffer_;
        if (in.split) {
            // Point the list at an existing set of this source, if any.
            File1.setPattern(SliceNames::setPattern(in.srcName));
            File1.setPath(in.text3);
        }
        enterBusy();
        busy = true;
        return in.split ? split(in) : merge(in);
    } catch (const std::exception&) {
        return fail(busy);
    }
}

Engine::Outcome Engine::split(const Inputs& in) {
    InFileNo_ = FileHandle::openRead(in.text1);
    host_.DoEvents();
    InLen_ = InFileNo_.length();
    const std::int64_t L = InLen_;
    const std::int64_t n = leadingNumber(in.text2);
    if (n == 0) throw FileError("piece count of 0", in.text2);
    const std::int64_t S = L / n;
    setStepFor(L, in.text1);

    if (S - kChunk <= iPos) {
        host_.MsgBox("对不起,文件太小影响完整性,建议每个单位不要小于64KB!请重新设置切割个数!",
                     "操作被中止", MsgInfo);
        closeInput();
        leaveBusy(kStoppedCaption);
        host_.focusText2SelectAll();
        iPos = 0;
        return Outcome::Refused;
    }

    const std::string first = in.srcName + ".QZ1";
    for (int i = 0; i < File1.ListCount(); ++i) {
        if (File1.List(i) != first) continue;
        if (host_.MsgBox("己存在该文件切片,是否代替原切片?", "提示", MsgQuestion) !=
            MsgAnswer::Yes) {
            closeInput();
            leaveBusy(kStoppedCaption);
            host_.focusText2SelectAll();
            host_.setText3("");
            iPos = 0;
            host_.setPicture1Visible(false);
            return Outcome::Declined;
        }
        // Only the set's own slices go: a file the wildcard merely also
        // lists (a backup, another program's N.QZx) is left alone.
        for (int j = 0; j < File1.ListCount(); ++j)
            if (SliceNames::sliceIndex(File1.List(j), in.srcName) > 0)
                FileServices::Kill(File1.fullPath(j));
        break;
    }

    host_.setPicture1Visible(true);
    for (std::int64_t i = 1; i <= n - 1; ++i)
        copyChunks(i * S, SliceNames::slicePath(in.text3, in.srcName, static_cast<long>(i)));
    const std::string last = SliceNames::slicePath(in.text3, in.srcName, static_cast<long>(n));
    copyChunks(L, last);
    if (iPos < L) appendChunk(L - iPos, last);
    closeInput();
    host_.setLabel6Width(host_.Picture1InnerWidth());
    host_.setLabel7("完成");
    DoneWidth_ = 0;
    return complete();
}

Engine::Outcome Engine::merge(const Inputs& in) {
    const std::string base = SliceNames::cutBeforeLastDot(in.text1);
    const std::string output = in.text3 + SliceNames::withoutLastFour(in.srcName);

    // The count comes from the listing, but only names that are exactly
    // slices of this set count: a stray N.QZ1.bak must not break the merge.
    const std::string stem = SliceNames::bareName(base);
    long n = 0;
    for (int i = 0; i < File1.ListCount(); ++i)
        if (SliceNames::sliceIndex(File1.List(i), stem) > 0) ++n;
    const std::vector<std::string> slices = slicePaths(in.text1, base, n);

    // Check the whole set before anything is asked, deleted or written.
    for (const std::string& slice : slices) {
        if (FileServices::GetFileSize(slice) == 0) throw FileError("empty slice", slice);
        if (slice == output || FileServices::sameFile(slice, output))
            throw FileError("output would overwrite a slice", output);
    }

    if (FileServices::FileExists(output)) {
        if (host_.MsgBox("文件己经存在，是否覆盖原文件？", "提示", MsgQuestion) !=
            MsgAnswer::Yes) {
            idleRestore();
            return Outcome::Declined;
        }
        FileServices::Kill(output);
    }

    host_.setPicture1Visible(true);
    for (std::size_t k = 0; k < slices.size(); ++k) {
        iPos = 0;
        InFileNo_ = FileHandle::openRead(slices[k]);
        InLen_ = InFileNo_.length();
        if (k > 0) host_.setLabel6Width(10);
        setStepFor(InLen_, slices[k]);
        copyChunks(InLen_, output);
        if (iPos != InLen_) appendChunk(InLen_ - iPos, output);
        closeInput();
        DoneWidth_ = 0;
    }
    // From here on the output is whole: a later failure must not take it
    // away, least of all once some slices are already deleted.
    if (Target* t = findTarget(output)) t->complete = true;

    host_.setLabel6Width(host_.Picture1InnerWidth());
    host_.setLabel7("100%");
    File1.Refresh();
    if (in.deleteAfter) {
        for (int i = 0; i < File1.ListCount(); ++i)
            if (SliceNames::sliceIndex(File1.List(i), stem) > 0 &&
                !FileServices::sameFile(File1.fullPath(i), output))
                FileServices::Kill(File1.fullPath(i));
    }
    return complete();
}

void Engine::SaveFiles(const std::string& where) {
    FileHandle out = openTarget(where);
    out.append(DataBuf_.data(), DataBuf_.size());
    out.close();
    advanceProgress();
}

FileHandle Engine::openTarget(const std::string& where) {
    if (Target* t = findTarget(where))
        return FileHandle::openAppend(where, t->id.first, t->id.second);
    FileHandle out = FileHandle::createFresh(where);
    targets_.push_back({where, out.identity(), false});
    return out;
}

void Engine::advanceProgress() {
    DoneWidth_ += StepWidth_;
    host_.setLabel6Width(static_cast<float>(DoneWidth_));
    const auto p = static_cast<long long>(std::floor(host_.Label6Width() / kFullWidth * 100));
    host_.setLabel7(p > 100 ? std::string("100%") : std::to_string(p) + "%");
}

void Engine::copyChunks(std::int64_t end, const std::string& where) {
    while (iPos + kChunk < end) {
        appendChunk(kChunk, where);
        iPos += kChunk;
        host_.DoEvents();
    }
}

void Engine::appendChunk(std::int64_t size, const std::string& where) {
    if (kernelCopy_) {
        FileHandle out = openTarget(where);
        if (out.appendFrom(InFileNo_, iPos, static_cast<std::size_t>(size))) {
            out.close();
            advanceProgress();
            return;
        }
        out.close();
        kernelCopy_ = false;
    }
    readChunk(size);
    SaveFiles(where);
}

void Engine::readChunk(std::int64_t size) {
    DataBuf_.resize(static_cast<std::size_t>(size));
    InFileNo_.readAt(iPos, DataBuf_.data(), DataBuf_.size());
}

void Engine::setStepFor(std::int64_t len, const std::string& path) {
    if (len == 0) throw FileError("empty input", path);
    StepWidth_ = kFullWidth / (static_cast<double>(len) / kChunk);
}

Engine::Target* Engine::findTarget(const std::string& path) {
    // Chunks go to one target after another, so the newest is nearly always it.
    for (auto it = targets_.rbegin(); it != targets_.rend(); ++it)
        if (it->path == path) return &*it;
    return nullptr;
}

void Engine::enterBusy() {
    host_.setCaption(kBusyCaption);
    host_.setCommand5Enabled(false);
    host_.setFrame1Enabled(false);
}

void Engine::leaveBusy(const std::string& caption) {
    host_.setCaption(caption);
    host_.setFrame1Enabled(true);
    host_.setCommand5Enabled(true);
}

void Engine::closeInput() { InFileNo_.close(); }

Engine::Outcome Engine::complete() {
    host_.MsgBox("操作完成!", "提示", MsgInfo);
    host_.setPicture1Visible(false);
    idleRestore();
    return Outcome::Completed;
}

void Engine::idleRestore() {
    leaveBusy(kIdleCaption);
    host_.setText1("");
    host_.setText3("");
    host_.setLabel3("");
    iPos = 0;
    DoneWidth_ = 0;
}

void Engine::discardPartialOutputs() {
    for (const Target& t : targets_) {
        if (t.complete) continue;
        // Remove only the file this run created: if something else has taken
        // its name meanwhile, that is not ours to delete. We are already on
        // the error path, so a removal that fails has nowhere further to go.
        struct stat st {};
        if (::lstat(t.path.c_str(), &st) == 0 && st.st_dev == t.id.first &&
            st.st_ino == t.id.second)
            ::unlink(t.path.c_str());
    }
    targets_.clear();
}

Engine::Outcome Engine::fail(bool busy) {
    InFileNo_ = FileHandle();  // closes the input, if one is open
    discardPartialOutputs();
    host_.MsgBox("切片错误", "出错", MsgInfo);
    host_.setPicture1Visible(false);
    DoneWidth_ = 0;
    iPos = 0;
    if (busy) leaveBusy(kIdleCaption);
    return Outcome::Failed;
}

}  // namespace qz
