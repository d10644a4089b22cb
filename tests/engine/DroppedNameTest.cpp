// The mode a dropped name selects, and the blanks cut from around it when the
// name as dropped names nothing.

#include <gtest/gtest.h>

#include <unistd.h>

#include "engine/set/DroppedName.h"
#include "tests/support/TempDir.h"

namespace qz {
namespace {

using Choice = DroppedName::Choice;

struct Row {
    const char* name;
    Choice fromSplit, fromMerge;
};

TEST(DroppedName, ModeTable) {
    const Row rows[] = {
        {"/v/clip.mp4.QZ1", Choice::Merge, Choice::Merge},
        {"/v/clip.mp4.QZ3", Choice::Split, Choice::Refused},
        {"/v/clip.mp4.QZx", Choice::Split, Choice::Refused},
        {"/v/clip.mp4", Choice::Split, Choice::Split},
        // Compared with case: a lower-case slice name is an ordinary file.
        {"/v/clip.mp4.qz1", Choice::Split, Choice::Split},
        {"/v/clip.mp4.qZ3", Choice::Split, Choice::Split},
        // Slice 10 and later end in two characters after "QZ".
        {"/v/clip.mp4.QZ12", Choice::Split, Choice::Split},
        {"/v/clip.mp4.QZ10", Choice::Split, Choice::Split},
        // The three characters need no dot before them.
        {"QZ1", Choice::Merge, Choice::Merge},
        {"/v/aQZ7", Choice::Split, Choice::Refused},
        {"Z1", Choice::Split, Choice::Split},
        {"", Choice::Split, Choice::Split},
        // One character is one code point, however many bytes it takes.
        {"/v/片段.QZ段", Choice::Split, Choice::Refused},
        {"/v/片段.Q段1", Choice::Split, Choice::Split},
        {"/v/片段QZ", Choice::Split, Choice::Split},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(DroppedName::choose(false, row.name), row.fromSplit) << row.name;
        EXPECT_EQ(DroppedName::choose(true, row.name), row.fromMerge) << row.name;
    }
}

TEST(DroppedName, TrimsBlanksOnly) {
    EXPECT_EQ(DroppedName::trimmed("  /v/a b.mp4  "), "/v/a b.mp4");
    EXPECT_EQ(DroppedName::trimmed("/v/a b.mp4"), "/v/a b.mp4");
    EXPECT_EQ(DroppedName::trimmed("   "), "");
    EXPECT_EQ(DroppedName::trimmed(""), "");
    EXPECT_EQ(DroppedName::trimmed("\t/v/x\n"), "\t/v/x\n");
}

TEST(DroppedName, BlanksAreCutOnlyFromAPathThatNamesNothing) {
    TempDir dir;
    for (const char* name : {"blank ", "both", "both ", "plain.mp4"})
        TempDir::write(dir / name, {1});
    ASSERT_EQ(::symlink("nowhere", (dir / "link ").c_str()), 0);
    EXPECT_EQ(DroppedName::path(dir / "blank "), dir / "blank ");
    EXPECT_EQ(DroppedName::path(dir / "both "), dir / "both ");
    EXPECT_EQ(DroppedName::path(dir / "link "), dir / "link ");
    EXPECT_EQ(DroppedName::path("  " + (dir / "plain.mp4") + "  "), dir / "plain.mp4");
    // Cut whether or not the cut path exists.
    EXPECT_EQ(DroppedName::path(dir / "missing  "), dir / "missing");
}

}  // namespace
}  // namespace qz
