// The generator's places agree with the program's tables: the drawn keys
// cover exactly the regions of the normal map, the shifted legends are the
// characters the shifted map sends, and the command buttons, the screen and
// the lamp windows keep clear of each other. Also the JPEG writer
// and reader: a round trip keeps the picture, and a damaged file is an
// error, not a crash.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "input/hit_map_tables.h"
#include "tools/skingen/jpeg_io.h"
#include "tools/skingen/skin_geometry.h"
#include "tools/skingen/skin_legends.h"

namespace vos::skingen {
namespace {

constexpr bool inside(const design::Bounds& b, int x, int y) {
    return b.left <= x && x < b.left + b.width && b.top <= y && y < b.top + b.height;
}
constexpr bool overlap(const design::Bounds& a, const design::Bounds& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

// Every pixel of the window: a drawn key is there exactly where the normal
// map has a region, and that key is the region's own (same frame).
TEST(SkinGeometry, DrawnKeysCoverExactlyTheRegionsOfTheNormalMap) {
    int mismatches = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            int keysHere = 0;
            for (const KeyPlace& k : kKeys) keysHere += inside(k.bounds, x, y) ? 1 : 0;
            const bool region = input::normalHit(x, y).has_value();
            if (keysHere != (region ? 1 : 0) && ++mismatches <= 5)
                ADD_FAILURE() << "at " << x << "," << y << ": " << keysHere << " keys, region " << region;
        }
    EXPECT_EQ(mismatches, 0);
}

TEST(SkinGeometry, EachKeyIsOneRegionWithItsOwnFrame) {
    std::array<int, design::hitmap::kFrameCount> uses{};
    for (const KeyPlace& k : kKeys) {
        const auto hit = input::normalHit(k.bounds.left, k.bounds.top);
        ASSERT_TRUE(hit.has_value());
        // The same region at the opposite corner: the key is not two regions.
        EXPECT_EQ(input::normalHit(k.bounds.left + k.bounds.width - 1, k.bounds.top + k.bounds.height - 1), hit);
        ++uses[static_cast<std::size_t>(hit->frame)];
    }
    for (int f = 0; f < design::hitmap::kFrameCount; ++f) EXPECT_LE(uses[static_cast<std::size_t>(f)], 1) << "frame " << f;
}

// The small blue legend is what a right press on that key sends.
TEST(SkinGeometry, ShiftedLegendsAreTheCharactersTheShiftedMapSends) {
    int legends = 0;
    for (const KeyPlace& k : kKeys) {
        if (k.block != KeyBlock::Alpha) continue;
        const int cx = k.bounds.left + k.bounds.width / 2, cy = k.bounds.top + k.bounds.height / 2;
        const auto hit = input::shiftedHit(cx, cy);
        const char legend = shiftedLegend(k.row, k.column);
        const char sent = hit && hit->code ? design::hitmap::carriedChar(*hit->code) : '\0';
        EXPECT_EQ(legend, sent) << "row " << k.row << " column " << k.column;
        legends += legend ? 1 : 0;
    }
    EXPECT_EQ(legends, 33);
}

TEST(SkinGeometry, CommandButtonsLampsAndScreenKeepClearOfEachOtherAndTheKeys) {
    for (const CommandPlace& c : kCommands) {
        SCOPED_TRACE(static_cast<int>(c.icon));
        EXPECT_TRUE(inside({0, 0, kWidth, kHeight}, c.bounds.left, c.bounds.top));
        for (const KeyPlace& k : kKeys) EXPECT_FALSE(overlap(c.bounds, k.bounds));
        for (const CommandPlace& o : kCommands) {
            if (&o == &c) continue;
            EXPECT_FALSE(overlap(c.bounds, o.bounds));
        }
        EXPECT_FALSE(overlap(c.bounds, kScreenLinesBounds));
    }
    for (int i = 0; i < design::lamps::kCount; ++i) {
        EXPECT_FALSE(overlap(lampBounds(i), kScreenLinesBounds)) << "Led" << i;
        for (int j = i + 1; j < design::lamps::kCount; ++j)
            EXPECT_FALSE(overlap(lampBounds(i), lampBounds(j))) << "Led" << i << " Led" << j;
    }
}

class JpegFile : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(path_); }
    std::string path_ = (std::filesystem::temp_directory_path() /
                         ("skingen-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                          "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".jpg"))
                            .string();
};

TEST_F(JpegFile, RoundTripKeepsSizeAndColors) {
    RgbPicture pic{40, 24, {}};
    for (int y = 0; y < pic.height; ++y)
        for (int x = 0; x < pic.width; ++x) {
            const bool left = x < pic.width / 2;
            pic.rgb.insert(pic.rgb.end(), {static_cast<std::uint8_t>(left ? 220 : 30),
                                           static_cast<std::uint8_t>(left ? 210 : 40),
                                           static_cast<std::uint8_t>(left ? 200 : 60)});
        }
    writeJpeg(path_, pic, 90);
    const RgbPicture back = readJpeg(path_);
    ASSERT_EQ(back.width, pic.width);
    ASSERT_EQ(back.height, pic.height);
    ASSERT_EQ(back.rgb.size(), pic.rgb.size());
    // Away from the edge between the halves, colors come back within a few levels.
    for (int y = 0; y < pic.height; ++y)
        for (int x : {2, 10, 30, 37})
            for (int c = 0; c < 3; ++c) {
                const std::size_t i = (static_cast<std::size_t>(y) * 40u + static_cast<std::size_t>(x)) * 3u + c;
                EXPECT_NEAR(back.rgb[i], pic.rgb[i], 6) << x << "," << y;
            }
}

TEST_F(JpegFile, DamagedOrMissingFilesAreReportedWithTheirPath) {
    RgbPicture pic{16, 16, std::vector<std::uint8_t>(16 * 16 * 3, 128)};
    writeJpeg(path_, pic, 90);
    const auto size = std::filesystem::file_size(path_);
    std::filesystem::resize_file(path_, size / 3);
    for (const std::string& p : {path_, path_ + ".absent"}) {
        try {
            readJpeg(p);
            ADD_FAILURE() << "no error for " << p;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(p), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(writeJpeg(path_, RgbPicture{4, 4, {1, 2, 3}}, 90), std::runtime_error);
}

}  // namespace
}  // namespace vos::skingen
