// Caption <-> line text conversions and the one-pass caption edits of the
// character screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>

#include "panel/screen_text.h"

using namespace vos::panel;

namespace {

const std::string kPlusMinus = "\xC2\xB1";  // ± in UTF-8
const std::string kOSlash = "\xC3\x98";     // Ø in UTF-8
const std::string kEuro = "\xE2\x82\xAC";   // € in UTF-8

}  // namespace

TEST(PanelScreenText, AnsiBytesRoundTripThroughUtf8) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    const std::string utf8 = latin1ToUtf8(all);
    EXPECT_EQ(utf8ToLatin1(utf8), all);
    EXPECT_EQ(latin1ToUtf8("\xB1\xD8"), kPlusMinus + kOSlash);
    EXPECT_EQ(latin1ToUtf8("\x80"), kEuro);
    EXPECT_EQ(utf8ToLatin1(kEuro), "\x80");
}

TEST(PanelScreenText, CharactersWithoutAnsiByteBecomeQuestionMarks) {
    EXPECT_EQ(utf8ToLatin1("a\xE4\xB8\xAD" "b"), "a?b");  // a CJK character
}

TEST(PanelScreenText, BrokenUtf8KeepsOneColumnPerByte) {
    // A lone lead byte and a lone continuation byte are each one column.
    const std::string broken = "A\xC3" "B\x98" "C";
    EXPECT_EQ(columnCount(broken), 5);
    EXPECT_EQ(utf8ToLatin1(broken), "A\xC3" "B\x98" "C");
    std::string out;
    ASSERT_TRUE(replaceColumn(broken, 5, U'Z', out));
    EXPECT_EQ(utf8ToLatin1(out), "A\xC3" "B\x98" "Z");
    // Truncated multi-byte sequence at the very end; an overlong encoding.
    EXPECT_EQ(columnCount("AB\xE2\x82"), 4);
    EXPECT_EQ(utf8ToLatin1("AB\xE2\x82"), "AB\xE2\x82");
    EXPECT_EQ(columnCount("\xC0\xAF"), 2);
    EXPECT_EQ(columnCount("\xF0\x9F\x98\x80"), 1);  // a 4-byte character
}

TEST(PanelScreenText, AmpersandsCollapseLeftToRight) {
    struct Case {
        const char* caption;
        const char* text;
    };
    const Case cases[] = {
        {"&&", "&"},       {"&&&&", "&&"}, {"&&&", "&&"}, {"&", "&"},
        {"A&B", "A&B"},    {"A&&B", "A&B"}, {"", ""},      {"&&&&&", "&&&"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(collapseAmpersands(c.caption), c.text) << c.caption;
        EXPECT_EQ(textFromCaption(c.caption), c.text) << c.caption;
        EXPECT_EQ(columnCount(c.caption), static_cast<int>(std::string(c.text).size())) << c.caption;
    }
    EXPECT_EQ(doubleAmpersands("A&B&&"), "A&&B&&&&");
    EXPECT_EQ(captionFromText("&\xB1"), "&&" + kPlusMinus);
}

TEST(PanelScreenText, ReplaceColumnCountsCollapsedCharacters) {
    struct Case {
        std::string caption;
        int column;
        char32_t cp;
        std::string expected;
        bool replaced;
    };
    const Case cases[] = {
        {"ABCD", 1, U'x', "xBCD", true},
        {"ABCD", 4, U'x', "ABCx", true},
        {"ABCD", 5, U'x', "ABCD", false},           // never grows
        {"ABCD", 0, U'x', "ABCD", false},
        {"A&&CD", 3, U'x', "A&&xD", true},          // "&&" is one column
        {"A&&CD", 2, U'x', "AxCD", true},           // both "&" go
        {"ABCD", 2, U'&', "A&&CD", true},           // "&" is doubled
        {"A&CD", 3, U'x', "A&&xD", true},           // lone "&" is one column, normalised
        {"AB" + kPlusMinus + "D", 4, U'\u00D8', "AB" + kPlusMinus + kOSlash, true},
        {kEuro + "B", 2, U'C', kEuro + "C", true},  // non-ANSI-able column survives
    };
    for (const Case& c : cases) {
        std::string out = "garbage";
        EXPECT_EQ(replaceColumn(c.caption, c.column, c.cp, out), c.replaced) << c.caption;
        EXPECT_EQ(out, c.expected) << c.caption << " col " << c.column;
    }
}

TEST(PanelScreenText, KeepColumnsPadsToWidthWithBlanks) {
    struct Case {
        std::string caption;
        int keep;
        std::string expected;  // before padding to 10 columns
    };
    const Case cases[] = {
        {"ABCDEFGHIJ", 0, ""},
        {"ABCDEFGHIJ", -1, ""},
        {"ABCDEFGHIJ", 3, "ABC"},
        {"A&&&&DEFGHIJ", 3, "A&&&&"},  // counts a shown "&" as one column
        {"AB", 5, "AB"},                // beyond the old text stays blank
        {"ABCDEFGHIJKLMNOP", 12, "ABCDEFGHIJ"},
    };
    for (const Case& c : cases) {
        std::string out;
        keepColumns(c.caption, c.keep, 10, out);
        EXPECT_EQ(columnCount(out), 10) << c.caption;
        EXPECT_EQ(out.substr(0, c.expected.size()), c.expected) << c.caption;
        EXPECT_EQ(out.find_first_not_of(' ', c.expected.size()), std::string::npos) << c.caption;
    }
}

TEST(PanelScreenText, StripCaptionHasTheMarkAtTheColumnOnly) {
    for (int col = -1; col <= vos::design::kColumns + 1; ++col) {
        const std::string s = stripCaption(col, 'E');
        ASSERT_EQ(s.size(), 40u);
        EXPECT_TRUE(isStripCaption(s, col, 'E'));
        for (int i = 1; i <= vos::design::kColumns; ++i) {
            EXPECT_EQ(s[i - 1], i == col ? 'E' : ' ') << "col " << col << " i " << i;
        }
    }
    EXPECT_FALSE(isStripCaption(stripCaption(3, 'E'), 4, 'E'));
    EXPECT_FALSE(isStripCaption(std::string(39, ' '), 0, 'E'));
    EXPECT_FALSE(isStripCaption("1234567890123456789012345678901234567890", 0, 'E'));
}

namespace {

// The edits written the long way, as the screen's rules state them: caption
// -> line text (collapse "&&") -> edit -> caption (double "&").
std::u32string referenceText(std::string_view caption) {
    std::u32string cps;
    for (std::size_t pos = 0; pos < caption.size();) cps += decodeUtf8(caption, pos);
    std::u32string text;
    for (std::size_t i = 0; i < cps.size(); ++i) {
        text += cps[i];
        if (cps[i] == U'&' && i + 1 < cps.size() && cps[i + 1] == U'&') ++i;
    }
    return text;
}

std::string referenceCaption(const std::u32string& text) {
    std::string out;
    for (char32_t c : text) {
        vos::appendUtf8(out, c);
        if (c == U'&') out += '&';
    }
    return out;
}

}  // namespace

TEST(PanelScreenText, OnePassEditsMatchCollapseEditDouble) {
    const std::string pieces[] = {"a", "Z", " ", "&", "&&", "\xC2\xB1", "\xE2\x82\xAC", "\x98", "\xC3", "0"};
    std::mt19937 rng(42);
    for (int trial = 0; trial < 3000; ++trial) {
        std::string caption;
        const int n = static_cast<int>(rng() % 45);
        for (int i = 0; i < n; ++i) caption += pieces[rng() % std::size(pieces)];
        const std::u32string text = referenceText(caption);
        const int column = static_cast<int>(rng() % 44) - 1;

        std::u32string edited = text;
        const bool inRange = column >= 1 && column <= static_cast<int>(text.size());
        if (inRange) edited[static_cast<std::size_t>(column - 1)] = U'&';
        std::string out;
        EXPECT_EQ(replaceColumn(caption, column, U'&', out), inRange) << caption;
        EXPECT_EQ(out, referenceCaption(edited)) << caption << " col " << column;

        std::u32string kept = text.substr(0, static_cast<std::size_t>(std::clamp(column, 0, 40)));
        kept.resize(40, U' ');
        keepColumns(caption, column, 40, out);
        EXPECT_EQ(out, referenceCaption(kept)) << caption << " keep " << column;
    }
}
