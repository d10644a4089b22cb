#include "engine/run/RunOutputs.h"

#include <functional>
#include <vector>

#include "engine/run/Worker.h"

namespace qz {

RunOutputs::~RunOutputs() { abort(); }

void RunOutputs::lock(const std::string& dir, const std::string& name) {
    locks_.emplace_back(dir, name);
}

OutputFile& RunOutputs::add(const std::string& finalPath, const std::string& runName,
                            unsigned mode, bool unnamed, const FileOwner& owner) {
    OutputFile& out = files_.emplace_back(finalPath, runName, mode, unnamed, worker_);
    out.keepOwner(owner);
    return out;
}

void RunOutputs::flush() {
    std::vector<std::function<void()>> flushes;
    for (OutputFile& out : files_) flushes.emplace_back([&out] { out.flush(); });
    worker_.runTogether(flushes);
    state_ = State::Flushed;
}

void RunOutputs::name(OutputFile& out, bool replace) {
    state_ = State::Named;
    out.commit(replace);
}

void RunOutputs::abort() noexcept {
    worker_.settle();
    if (state_ == State::Done) return;
    for (OutputFile& out : files_) out.discard();
}

void RunOutputs::restart() noexcept {
    abort();
    files_.clear();
    state_ = State::Writing;
}

}  // namespace qz
