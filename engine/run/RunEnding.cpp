#include "engine/run/RunEnding.h"

#include <exception>
#include <new>

#include "engine/io/Text.h"
#include "engine/run/Unfinished.h"

namespace qz {

namespace {

// The reason of the exception being handled; empty where not even that
// can be had.
std::string reasonOfCurrent() noexcept {
    try {
        try {
            throw;
        } catch (const std::bad_alloc&) {
            return tr("not enough memory");
        } catch (const std::exception& e) {
            return e.what();
        } catch (...) {
            return tr("an unexpected failure");
        }
    } catch (...) {
        return {};  // no memory even for the reason: the kind tells the failure
    }
}

}  // namespace

RunEnding RunEnding::of(const std::function<Kind()>& body) noexcept {
    RunEnding ending;
    try {
        ending.kind = body();
    } catch (const Unfinished&) {
        ending.kind = Kind::Unfinished;
        ending.reason = reasonOfCurrent();
    } catch (...) {
        ending.kind = Kind::Failed;
        ending.reason = reasonOfCurrent();
    }
    return ending;
}

}  // namespace qz
