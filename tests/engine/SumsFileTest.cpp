// The sums file's text: names sha256sum would escape come back as they were,
// and the file's own name is never taken for a slice.

#include <gtest/gtest.h>

#include "engine/set/SliceNames.h"
#include "engine/set/SumsFile.h"

namespace qz {

TEST(SumsFileText, EscapedNamesComeBackAndOnlyTheirLinesStartWithABackslash) {
    const std::string odd = "a\\b\nc";
    const std::string digest(64, 'e');
    const SumsFile sums(odd, 200000, {{odd + ".QZ1", digest}, {"plain.QZ2", digest}});
    const std::string text = sums.text();
    EXPECT_NE(text.find("\n\\" + digest + "  a\\\\b\\nc.QZ1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n" + digest + "  plain.QZ2\n"), std::string::npos) << text;
    const SumsFile back = SumsFile::parse(text, "x");
    ASSERT_EQ(back.lines().size(), 2u);
    EXPECT_EQ(back.lines()[0].name, odd + ".QZ1");
    EXPECT_EQ(back.lines()[1].name, "plain.QZ2");
    EXPECT_EQ(back.text(), text);
    // As a trip through Windows leaves it, and sha256sum -c still reads it.
    std::string windows = "\xEF\xBB\xBF";
    for (const char c : text) windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(SumsFile::parse(windows, "x").text(), text);
}

TEST(SumsFileText, ItsNameIsNoSliceName) {
    EXPECT_EQ(SliceNames::trailingIndex(SliceNames::bareName(SumsFile::pathFor("d/", "a.bin"))), 0);
}

}  // namespace qz
