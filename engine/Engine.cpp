#include "engine/Engine.h"

#include "engine/Host.h"
#include "engine/io/FileServices.h"
#include "engine/run/MergeRun.h"
#include "engine/run/SplitRun.h"
#include "engine/WayOut.h"

namespace qz {

namespace {

const char* const kBusyCaption = "操作进行中,请稍等...";
// The window's questions: slices of the source exist; the merge's output does.
const char* const kReplaceSlicesText = "己存在该文件切片,是否代替原切片?";
const char* const kOverwriteOutputText = "文件己经存在，是否覆盖原文件？";

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

// Sets a value for as long as it lives, and the old one back after.
template <typename T>
class Scoped {
public:
    Scoped(T& slot, T value) : slot_(slot), old_(slot) { slot_ = value; }
    ~Scoped() { slot_ = old_; }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

private:
    T& slot_;
    T old_;
};

}  // namespace

Engine::Engine(Host& host, const RunOptions& options)
    : host_(host), options_(options), progress_(host) {}

std::int64_t Engine::iPos() const { return copying_ ? copying_->position() : 0; }

bool Engine::inputOpen() const { return copying_ && copying_->isOpen(); }

Engine::Outcome Engine::Command5_Click() {
    const Scoped<bool> running(operating_, true);
    failureReason_.clear();
    const Inputs in = readInputs();
    if (in.text1.empty() || in.text3.empty()) return Outcome::Guard;
    bool busy = false;
    const RunEnding ending = RunEnding::of([&] {
        // A split's save location is looked at before the window turns busy,
        // which a failure there leaves as it was; the run looks again.
        if (in.split) FileServices::requireDirectory(in.text3);
        enterBusy();
        busy = true;
        return in.split ? split(in) : merge(in);
    });
    return end(ending, in.split, busy);
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

RunEnding::Kind Engine::split(const Inputs& in) {
    SplitRun run({in.text1, in.text3, in.srcName, leadingNumber(in.text2)}, *this, options_);
    const Scoped<const ChunkCopy*> input(copying_, &run.copy());
    const Scoped<bool> splitting(splitting_, true);
    return run.run();
}

RunEnding::Kind Engine::merge(const Inputs& in) {
    MergeRun run({in.text1, in.text3, in.deleteAfter}, *this, options_);
    const Scoped<const ChunkCopy*> input(copying_, &run.copy());
    const Scoped<bool> splitting(splitting_, false);
    return run.run();
}

Engine::Outcome Engine::end(const RunEnding& ending, bool split, bool busy) {
    switch (ending.kind) {
    case RunEnding::Kind::Completed:
        break;
    case RunEnding::Kind::TooSmall:
        return leave(WayOut::kTooSmall, Outcome::Refused);
    case RunEnding::Kind::Declined:
        return split ? leave(WayOut::kNoToReplacing, Outcome::Declined)
                     : leave(WayOut::kNoToOverwriting, Outcome::Declined);
    case RunEnding::Kind::Failed:
        return fail(busy, ending.reason);
    case RunEnding::Kind::Unfinished:
        return fail(busy, ending.reason, Outcome::Unfinished);
    }
    return leave(WayOut::kCompleted, Outcome::Completed);
}

bool Engine::confirm(Question question) {
    const char* text =
        question == Question::ReplaceSlices ? kReplaceSlicesText : kOverwriteOutputText;
    return host_.MsgBox(text, "提示", MsgQuestion) == MsgAnswer::Yes;
}

void Engine::pump() { host_.DoEvents(); }

void Engine::copying() { host_.setPicture1Visible(true); }

void Engine::startInput(std::size_t index, std::size_t /*count*/, std::int64_t length) {
    // A merge's bar starts over, nearly empty, for every slice after the first.
    if (index > 0) host_.setLabel6Width(10);
    progress_.setStepFor(length);
}

void Engine::chunkAppended() { progress_.advance(); }

void Engine::inputDone() { progress_.reset(); }

void Engine::written() { progress_.showFull(splitting_ ? "完成" : "100%"); }

void Engine::enterBusy() {
    host_.setCaption(kBusyCaption);
    host_.setCommand5Enabled(false);
    host_.setFrame1Enabled(false);
}

Engine::Outcome Engine::leave(const WayOut& way, Outcome outcome, bool busy) {
    if (way.message) host_.MsgBox(way.message, way.title, MsgInfo);
    if (way.progress == WayOut::Progress::Hidden) host_.setPicture1Visible(false);
    if (way.resetBar) progress_.reset();
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

Engine::Outcome Engine::fail(bool busy, const std::string& reason, Outcome outcome) {
    failureReason_ = reason;
    return leave(WayOut::kError, outcome, busy);
}

}  // namespace qz
