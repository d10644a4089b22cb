#pragma once
// A test fixture with a scratch directory, the in-memory window and an engine
// bound to it, plus the steps a user takes in the window.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/Engine.h"
#include "tests/support/MemoryHost.h"
#include "tests/support/TempDir.h"

namespace qz {

class EngineTest : public ::testing::Test {
protected:
    // Chooses path as the source, as the open-file dialog does.
    void choose(const std::string& path);
    // Chooses path in split mode with the given count and runs the command.
    Engine::Outcome splitFile(const std::string& path, const std::string& count);
    // Chooses a first slice in merge mode and runs the command.
    Engine::Outcome mergeFrom(const std::string& firstSlice, bool deleteAfter = false);
    // Sizes of name.QZ1 ... name.QZn in dir, for as long as they exist.
    static std::vector<std::int64_t> sliceSizes(const std::string& dir,
                                                const std::string& name);
    // The window is idle again with the source, save location and size
    // caption emptied and the progress area hidden.
    void expectIdleEmptied() const;
    // The messages shown, text only.
    std::vector<std::string> texts() const;
    // The engine made anew, in place, to run with options.
    void useOptions(const RunOptions& options) { made.emplace(host, options); }

    TempDir dir;
    MemoryHost host;
    std::optional<Engine> made{std::in_place, host};
    Engine& engine = *made;
};

}  // namespace qz
