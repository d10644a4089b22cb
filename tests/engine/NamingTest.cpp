// Slice names, the last-dot rule and the wildcard listing.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/io/FileError.h"
#include "engine/set/SliceNames.h"
#include "tests/support/TempDir.h"

namespace qz {
namespace {

TEST(TheRightName, FindsTheLastDot) {
    EXPECT_EQ(SliceNames::TheRightName("D:/v/clip.mp4.QZ1"), 14);
    EXPECT_EQ(SliceNames::cutBeforeLastDot("D:/v/clip.mp4.QZ1"), "D:/v/clip.mp4");
    EXPECT_EQ(SliceNames::TheRightName("a.b.c"), 4);
    EXPECT_EQ(SliceNames::TheRightName("name."), 5);
    EXPECT_EQ(SliceNames::TheRightName("README"), 0);
    EXPECT_EQ(SliceNames::TheRightName(""), 0);
    // A dot in a directory counts like any other.
    EXPECT_EQ(SliceNames::TheRightName("D:/v.1/clip"), 5);
    EXPECT_THROW(SliceNames::cutBeforeLastDot("README"), FileError);
}

// Chinese names: positions and cuts count characters, never bytes.
TEST(TheRightName, CountsCharacters) {
    EXPECT_EQ(SliceNames::TheRightName("文件.txt"), 3);
    EXPECT_EQ(SliceNames::TheRightName("/视频/片段.v2.mp4.QZ1"), 14);
    EXPECT_EQ(SliceNames::cutBeforeLastDot("/视频/片段.mp4.QZ1"), "/视频/片段.mp4");
    EXPECT_EQ(SliceNames::TheRightName("/视频.1/片段"), 4);
    EXPECT_EQ(SliceNames::cutBeforeLastDot("/视频.1/片段"), "/视频");
}

TEST(WithoutLastFour, CutsWholeCharacters) {
    EXPECT_EQ(SliceNames::withoutLastFour("ab.文件"), "a");
    EXPECT_EQ(SliceNames::withoutLastFour("视频.QZ1"), "视频");
    EXPECT_EQ(SliceNames::withoutLastFour("视频片段"), "");
    // Three characters are too few, however many bytes they take.
    EXPECT_THROW(SliceNames::withoutLastFour("文件."), FileError);
    EXPECT_THROW(SliceNames::withoutLastFour("a.b"), FileError);
}

TEST(Characters, ABrokenSequenceCountsByTheByte) {
    EXPECT_EQ(SliceNames::characterCount("a片段😀"), 4u);
    // A lead byte without its continuation, a stray continuation byte and a
    // byte that starts no sequence are one character each.
    EXPECT_EQ(SliceNames::characterCount("片\xe6\x96段\x80\xff"), 6u);
    EXPECT_EQ(SliceNames::firstCharacters("片\xe6\x96段", 3), "片\xe6\x96");
    // A Latin-1 name: each byte above 127 is a character of its own.
    EXPECT_EQ(SliceNames::withoutLastFour("\xe9t\xe9.txt"), "\xe9t\xe9");
}

TEST(SliceIndex, TakesTheIndexAfterQZInAnyCaseAndNothingElse) {
    EXPECT_EQ(SliceNames::trailingIndex("report.doc.QZ1"), 1);
    EXPECT_EQ(SliceNames::trailingIndex("report.doc.QZ12"), 12);
    EXPECT_EQ(SliceNames::trailingIndex("REPORT.DOC.qZ7"), 7);
    EXPECT_EQ(SliceNames::trailingIndex("café.qz3"), 3);
    for (const char* none : {"report.doc.QZ1.bak", "report.doc.QZx", "report.doc.QZ01",
                             "report.doc.QZ0", "report.doc.QZ", "report.doc.QZ.sha256", "QZ1"})
        EXPECT_EQ(SliceNames::trailingIndex(none), 0) << none;
}

}  // namespace
}  // namespace qz
