// The constexpr key tables checked as data: the character rule over all 256
// values and the hit map's regions and frames (the handlers are exercised,
// key by key, in tests/gui).
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

#include "input/hit_map_tables.h"
#include "input/key_codes.h"

namespace vos {
namespace {

using namespace design::hitmap;

TEST(InputKeyCodes, CharactersFollowTheAsciiPlus0x80Rule) {
    // Every code a character produces carries that character in its low seven
    // bits, lower case mapped to its capital; the sent range is 0xA0..0xD4.
    int sent = 0;
    for (int ch = 0; ch < 256; ++ch) {
        const auto code = input::keycodes::codeForCharacter(static_cast<std::uint8_t>(ch));
        if (!code) continue;
        ++sent;
        const int upper = (ch >= 'a' && ch <= 'z') ? ch - 0x20 : ch;
        EXPECT_EQ(*code & 0x7F, upper) << ch;
        EXPECT_GE(*code, 0xA0);
        EXPECT_LE(*code, 0xD4);
    }
    EXPECT_EQ(sent, (0x54 - 0x20 + 1) + ('t' - 'a' + 1));
}

TEST(InputHitMapTables, NoPointLiesInTwoRegionsOfTheNormalMap) {
    // Scans the whole window: a region table with a typo that makes two keys
    // overlap would make one press mean two keys.
    std::set<int> framesHit;
    for (int y = 0; y < 720; ++y)
        for (int x = 0; x < 870; ++x) {
            int n = 0;
            for (const auto& r : kLeftRows)
                for (const auto& c : kLeftColumns) n += r.y.contains(y) && c.x.contains(x);
            for (const auto& r : kMachineRows)
                for (int c = r.firstColumn; c <= r.lastColumn; ++c)
                    n += r.y.contains(y) && kMachineColumns[c - 1].x.contains(x);
            for (const auto& k : kLargeKeys) n += kLargeBand.contains(y) && k.x.contains(x);
            ASSERT_LE(n, 1) << x << "," << y;
            if (const auto h = input::normalHit(x, y)) framesHit.insert(h->frame);
        }
    // Every region is reachable, and the never-shown frames belong to none.
    EXPECT_EQ(framesHit.size(), 60u + 8 + 8 + 8 + 6 + 6 + 4 + 8 + 3);
    for (int unused : {24, 31, 32, 39, 40, 41, 46, 47, 116}) EXPECT_EQ(framesHit.count(unused), 0u) << unused;
}

TEST(InputHitMapTables, EachKeyLiesInsideItsFrame) {
    // Frames are drawn around their key; a mistyped frame place would
    // highlight the wrong spot. The pen is 2 px wide, hence the margin.
    auto inside = [](Span s, int lo, int size) { return s.lo >= lo - 2 && s.hi <= lo + size + 2; };
    for (std::size_t r = 0; r < kLeftRows.size(); ++r)
        for (std::size_t c = 0; c < kLeftColumns.size(); ++c) {
            const design::Bounds f = frameBounds(kLeftRows[r].firstFrame + static_cast<int>(c));
            EXPECT_TRUE(inside(kLeftColumns[c].x, f.left, f.width)) << r << "," << c;
            EXPECT_TRUE(inside(kLeftRows[r].y, f.top, f.height)) << r << "," << c;
        }
    for (std::size_t r = 0; r < kMachineRows.size(); ++r)
        for (int c = kMachineRows[r].firstColumn; c <= kMachineRows[r].lastColumn; ++c) {
            const design::Bounds f = frameBounds(machineFrame(static_cast<int>(r) + 1, c));
            EXPECT_TRUE(inside(kMachineColumns[c - 1].x, f.left, f.width)) << r << "," << c;
            EXPECT_TRUE(inside(kMachineRows[r].y, f.top, f.height)) << r << "," << c;
        }
    for (const auto& k : kLargeKeys) {
        const design::Bounds f = frameBounds(k.frame);
        EXPECT_EQ(f.width, 44);
        EXPECT_TRUE(inside(k.x, f.left, f.width));
        EXPECT_TRUE(inside(kLargeBand, f.top, f.height));
    }
}

TEST(InputHitMapTables, FramePlaces) {
    EXPECT_EQ(frameBounds(56), (design::Bounds{73, 393, 36, 36}));
    EXPECT_EQ(frameBounds(115), (design::Bounds{424, 643, 36, 36}));
    EXPECT_EQ(frameBounds(0), (design::Bounds{522, 49, 36, 36}));
    EXPECT_EQ(frameBounds(55), (design::Bounds{795, 419, 36, 36}));
    EXPECT_EQ(frameBounds(119), (design::Bounds{753, 494, 44, 44}));
}

TEST(InputHitMapTables, ActivationFrames) {
    std::set<int> got(kActivationFrames.begin(), kActivationFrames.end());
    EXPECT_EQ(got.size(), 36u);
    std::set<int> want;
    for (int f = 32; f <= 55; ++f) want.insert(f);
    for (int f : {83, 84, 85, 93, 94, 95, 103, 104, 105, 113, 114, 115}) want.insert(f);
    EXPECT_EQ(got, want);
}

TEST(InputHitMapTables, ShiftedLegendsFollowTheCodes) {
    EXPECT_EQ(kShiftedChars[0][0], '%');
    EXPECT_EQ(kShiftedChars[0][2], '"');
    EXPECT_EQ(kShiftedChars[1][1], '\\');
    EXPECT_EQ(kShiftedChars[1][5], '\0');  // 0x90 carries no character
    EXPECT_EQ(kShiftedChars[2][1], '@');
    EXPECT_EQ(kShiftedChars[2][7], '7');
    EXPECT_EQ(kShiftedChars[3][0], '\0');  // no key
    EXPECT_EQ(kShiftedChars[3][6], ' ');
    // Every shifted code is a character code or one of the three others.
    for (const auto& row : kShiftedCodes)
        for (std::uint8_t code : row)
            EXPECT_TRUE(code == 0 || code == 0x90 || code == 0x91 || code == 0x93 ||
                        (code >= 0xA0 && code <= 0xDF))
                << int(code);
}

}  // namespace
}  // namespace vos
