// The generated panel pictures line up with the program's own tables: every
// key region of the hit map is a keycap with a gap round it, every lamp place
// shows a dark lamp window, the screen lines lie on black glass, the command
// areas show buttons, and the lathe and milling pictures differ in the axis
// keys (and the machine plate) only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include "tools/skingen/jpeg_io.h"
#include "tools/skingen/skin_geometry.h"
#include "tools/skingen/skin_legends.h"
#include "tools/skingen/skin_style.h"

namespace vos::skingen {
namespace {

using PixelTest = std::function<bool(design::Rgb)>;

bool isKeycap(design::Rgb c) {
    const int lo = std::min({c.r, c.g, c.b}), hi = std::max({c.r, c.g, c.b});
    return lo >= 150 && hi - lo <= 70;
}
bool isDark(design::Rgb c) { return std::max({c.r, c.g, c.b}) < 110; }
bool isBlack(design::Rgb c) { return std::max({c.r, c.g, c.b}) <= 24; }
bool near(design::Rgb c, design::Rgb ref, int tol) {
    return std::abs(c.r - ref.r) <= tol && std::abs(c.g - ref.g) <= tol && std::abs(c.b - ref.b) <= tol;
}

class Skin {
public:
    explicit Skin(const std::string& path) : pic_(readJpeg(path)) {}
    int width() const { return pic_.width; }
    int height() const { return pic_.height; }
    design::Rgb at(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(pic_.width) +
                               static_cast<std::size_t>(x)) * 3u;
        return {pic_.rgb[i], pic_.rgb[i + 1], pic_.rgb[i + 2]};
    }
    // Share of the pixels of `b` that pass `test`.
    double fraction(const design::Bounds& b, const PixelTest& test) const {
        int hits = 0;
        for (int y = b.top; y < b.top + b.height; ++y)
            for (int x = b.left; x < b.left + b.width; ++x) hits += test(at(x, y)) ? 1 : 0;
        return static_cast<double>(hits) / (b.width * b.height);
    }
    // Share of the pixels on the outline of `b` grown by `d` that pass `test`.
    double ringFraction(const design::Bounds& b, int d, const PixelTest& test) const {
        const int l = b.left - d, t = b.top - d, r = b.left + b.width - 1 + d, bo = b.top + b.height - 1 + d;
        int hits = 0, n = 0;
        for (int x = l; x <= r; ++x, n += 2) hits += (test(at(x, t)) ? 1 : 0) + (test(at(x, bo)) ? 1 : 0);
        for (int y = t + 1; y < bo; ++y, n += 2) hits += (test(at(l, y)) ? 1 : 0) + (test(at(r, y)) ? 1 : 0);
        return static_cast<double>(hits) / n;
    }

private:
    RgbPicture pic_;
};

const Skin& skin(Machine m) {
    static std::map<Machine, Skin> cache;
    auto it = cache.find(m);
    if (it == cache.end()) it = cache.emplace(m, Skin(std::string(VOS_SKIN_DIR) + "/" + skinFile(m))).first;
    return it->second;
}

design::Bounds inset(const design::Bounds& b, int d) { return {b.left + d, b.top + d, b.width - 2 * d, b.height - 2 * d}; }

std::string keyName(const KeyPlace& k) {
    static const char* blocks[] = {"soft", "alpha", "machine", "large"};
    return std::string(blocks[static_cast<int>(k.block)]) + " row " + std::to_string(k.row) + " column " +
           std::to_string(k.column);
}

class SkinPicture : public ::testing::TestWithParam<Machine> {
protected:
    const Skin& pic() const { return skin(GetParam()); }
};

TEST_P(SkinPicture, HasTheWindowSize) {
    EXPECT_EQ(pic().width(), kWidth);
    EXPECT_EQ(pic().height(), kHeight);
}

// A cap covers the region to its edges (2 px inside each edge's middle is
// cap), and the gap round it is not cap (2 px outside, all the way round).
TEST_P(SkinPicture, EveryKeyRegionIsAKeycapWithAGapRoundIt) {
    for (const KeyPlace& k : kKeys) {
        SCOPED_TRACE(keyName(k));
        const design::Bounds& b = k.bounds;
        EXPECT_GE(pic().fraction(inset(b, 4), isKeycap), 0.6);
        const int cx = b.left + b.width / 2, cy = b.top + b.height / 2;
        const int right = b.left + b.width - 1, bottom = b.top + b.height - 1;
        EXPECT_TRUE(isKeycap(pic().at(b.left + 2, cy)));
        EXPECT_TRUE(isKeycap(pic().at(right - 2, cy)));
        EXPECT_TRUE(isKeycap(pic().at(cx, b.top + 2)));
        EXPECT_TRUE(isKeycap(pic().at(cx, bottom - 2)));
        EXPECT_FALSE(isKeycap(pic().at(b.left - 2, cy)));
        EXPECT_FALSE(isKeycap(pic().at(right + 2, cy)));
        EXPECT_FALSE(isKeycap(pic().at(cx, b.top - 2)));
        EXPECT_FALSE(isKeycap(pic().at(cx, bottom + 2)));
        EXPECT_LE(pic().ringFraction(b, 2, isKeycap), 0.05);
    }
}

// Share of the pixels whose centre lies between radii r0 and r1 of the
// centre of `disc` that pass `test`.
double annulusFraction(const Skin& pic, const design::Bounds& disc, double r0, double r1, const PixelTest& test) {
    const double cx = disc.left + disc.width / 2.0, cy = disc.top + disc.height / 2.0;
    int hits = 0, n = 0;
    for (int y = disc.top - 4; y < disc.top + disc.height + 4; ++y)
        for (int x = disc.left - 4; x < disc.left + disc.width + 4; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            if (d < r0 || d > r1) continue;
            ++n;
            hits += test(pic.at(x, y)) ? 1 : 0;
        }
    return static_cast<double>(hits) / n;
}

// The lens shows the lamp's color, darkly: red for a red lamp, red and green
// for a yellow one, green for a lime one (the panel itself is blue-grey).
bool tintedLike(design::Rgb c, design::Rgb lamp) {
    const int r = c.r, g = c.g, b = c.b;
    if (lamp == design::colors::Red) return r > g + 15 && r > b + 15;
    if (lamp == design::colors::Yellow) return r > b + 15 && g > b + 15;
    return g > r + 15 && g > b + 15;
}

TEST_P(SkinPicture, EveryLampPlaceShowsADarkLampWindow) {
    for (int i = 0; i < design::lamps::kCount; ++i) {
        SCOPED_TRACE("Led" + std::to_string(i));
        const design::Bounds disc = lampBounds(i);
        const design::Rgb lamp = design::lamps::kTable[static_cast<std::size_t>(i)].color;
        EXPECT_GE(annulusFraction(pic(), disc, 0, 4, isDark), 0.95);
        EXPECT_GE(annulusFraction(pic(), disc, 0, 3, [&](design::Rgb c) { return tintedLike(c, lamp); }), 0.8);
        // The dark ring round the lens.
        EXPECT_GE(annulusFraction(pic(), disc, 5, 6, isDark), 0.9);
    }
}

TEST_P(SkinPicture, ScreenLinesLieOnBlackGlassInsideABezel) {
    EXPECT_GE(pic().fraction(kScreenLinesBounds, isBlack), 0.999);
    // Beyond the glass margin lies the bezel, not black.
    EXPECT_LE(pic().ringFraction(kScreenLinesBounds, 13, isBlack), 0.05);
}

TEST_P(SkinPicture, CommandAreasShowButtonsAndTheLogoAName) {
    for (const CommandPlace& c : kCommands) {
        SCOPED_TRACE(static_cast<int>(c.icon));
        if (c.icon == CommandIcon::Logo) {
            EXPECT_GE(pic().fraction(c.bounds, [](design::Rgb p) { return std::min({p.r, p.g, p.b}) >= 200; }), 0.05);
            continue;
        }
        EXPECT_GE(pic().fraction(inset(c.bounds, 2), [](design::Rgb p) { return near(p, style::kButtonFace, 30); }), 0.45);
        EXPECT_LE(pic().ringFraction(c.bounds, 4, [](design::Rgb p) { return near(p, style::kButtonFace, 12); }), 0.2);
    }
}

INSTANTIATE_TEST_SUITE_P(BothMachines, SkinPicture, ::testing::Values(Machine::Fraiseuse, Machine::Tour),
                         [](const auto& info) { return std::string(skinFile(info.param)).substr(0, 7); });

// The double-size pictures show the same panel: each design pixel's 2 x 2
// block averages to about the design picture's pixel (edges and legends are
// sharper, so a few differ more).
TEST_P(SkinPicture, TheSharpPictureIsThePanelAtTwiceTheSize) {
    const Skin sharp(std::string(VOS_SKIN_DIR) + "/" + skinFile(GetParam(), 2));
    ASSERT_EQ(sharp.width(), 2 * kWidth);
    ASSERT_EQ(sharp.height(), 2 * kHeight);
    long long total = 0;
    int far = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const design::Rgb a = pic().at(x, y);
            int r = 0, g = 0, b = 0;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const design::Rgb c = sharp.at(2 * x + dx, 2 * y + dy);
                    r += c.r, g += c.g, b += c.b;
                }
            const int d = std::max({std::abs(r / 4 - a.r), std::abs(g / 4 - a.g), std::abs(b / 4 - a.b)});
            total += d;
            far += d > 60 ? 1 : 0;
        }
    EXPECT_LE(static_cast<double>(total) / (kWidth * kHeight), 6.0);
    EXPECT_LE(far, kWidth * kHeight / 50);
}

// Largest per-channel difference between the two pictures over `b`.
int largestDifference(const design::Bounds& b) {
    int worst = 0;
    for (int y = b.top; y < b.top + b.height; ++y)
        for (int x = b.left; x < b.left + b.width; ++x) {
            const design::Rgb f = skin(Machine::Fraiseuse).at(x, y), t = skin(Machine::Tour).at(x, y);
            worst = std::max({worst, std::abs(f.r - t.r), std::abs(f.g - t.g), std::abs(f.b - t.b)});
        }
    return worst;
}

std::string legendText(Machine m, const KeyPlace& k) {
    const char* text = machineLegend(m, k.row, k.column).main;
    return text ? text : "";
}

bool isDifferingAxisKey(const KeyPlace& k) {
    return k.block == KeyBlock::Machine && k.row == kAxisRow &&
           legendText(Machine::Fraiseuse, k) != legendText(Machine::Tour, k);
}

// JPEG codes 8 x 8 blocks on their own: a key that shares no block with a
// key drawn differently must come out the same in both pictures.
bool sharesJpegBlock(const design::Bounds& a, const design::Bounds& b) {
    auto overlap = [](int a0, int a1, int b0, int b1) { return a0 / 8 <= b1 / 8 && b0 / 8 <= a1 / 8; };
    return overlap(a.left, a.left + a.width - 1, b.left, b.left + b.width - 1) &&
           overlap(a.top, a.top + a.height - 1, b.top, b.top + b.height - 1);
}

TEST(SkinPictures, LatheAndMillingDifferInTheAxisKeysAndNotInTheOtherKeys) {
    int axisKeysThatDiffer = 0;
    for (const KeyPlace& k : kKeys) {
        SCOPED_TRACE(keyName(k));
        const int diff = largestDifference(k.bounds);
        if (isDifferingAxisKey(k)) {
            EXPECT_GT(diff, 60);
            ++axisKeysThatDiffer;
            continue;
        }
        const bool besideADifference = std::any_of(kKeys.begin(), kKeys.end(), [&](const KeyPlace& o) {
            return isDifferingAxisKey(o) && sharesJpegBlock(o.bounds, k.bounds);
        });
        if (!besideADifference) {
            EXPECT_LE(diff, 2);
        }
    }
    EXPECT_GE(axisKeysThatDiffer, 2);
}

}  // namespace
}  // namespace vos::skingen
