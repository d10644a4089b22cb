// The mode a dropped name selects, and the blanks cut from around it.

#include <gtest/gtest.h>

#include "DroppedName.h"

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

}  // namespace
}  // namespace qz
