// Renders the skin, the lamps and the character screen after a known byte
// sequence and checks pixels: text in written cells only, the cursor mark
// under the cursor column, lit lamps in their color and the skin where a
// lamp is off.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include "panel/decoder.h"
#include "panel/lamps.h"
#include "panel/machine_type.h"
#include "panel/screen.h"
#include "platform/qt/desktop.h"
#include "platform/qt/form.h"
#include "platform/qt/graphic_control.h"
#include "platform/qt/label.h"
#include "platform/qt/picture.h"

using namespace vos::panel;

namespace {

constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";

bool isWhite(vos::design::Rgb c) { return c.r > 160 && c.g > 160 && c.b > 160; }

int whitePixels(const vos::Bitmap& img, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) n += isWhite(img.pixel(x, y)) ? 1 : 0;
    }
    return n;
}

// Cell (row, col) of the normal screen, above the strip that the line covers.
int whiteInCell(const vos::Bitmap& img, int row, int col) {
    const int x = 62 + 10 * (col - 1);
    const int y = 78 + 22 * (row - 1);
    return whitePixels(img, x, y, x + 10, y + 15);
}

// For a look at the picture: VOS_SCREENSHOT_OUT=/tmp/panel.ppm.
void savePpm(const vos::Bitmap& img, const char* path) {
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return;
    std::fprintf(f, "P6\n%d %d\n255\n", img.width(), img.height());
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const vos::design::Rgb c = img.pixel(x, y);
            const unsigned char px[3] = {c.r, c.g, c.b};
            std::fwrite(px, 1, 3, f);
        }
    }
    std::fclose(f);
}

vos::design::Rgb lampCentre(const vos::Bitmap& img, int lamp) {
    const vos::design::lamps::LampSpec& s = vos::design::lamps::kTable[static_cast<std::size_t>(lamp)];
    return img.pixel(s.left + vos::design::lamps::kSize / 2, s.top + vos::design::lamps::kSize / 2);
}

class PanelScreenshot : public ::testing::Test {
protected:
    static void SetUpTestSuite() { fontInstalled = vos::installFont(kFontFile); }
    static inline bool fontInstalled = false;

    vos::Form form{"TForm1", vos::FormStyle::Borderless};
    vos::Picture& fond = makeFond();
    vos::panel::MachineType type;
    LampBank bank{form, type};
    Screen screen{form};
    Decoder decoder{screen, bank, nullptr};

    vos::Picture& makeFond() {
        form.setClientSize(870, 720);
        form.setColor(vos::design::colors::Black);
        vos::Picture& p = form.addPicture("Fond");
        p.setBounds({0, 0, 870, 720});
        p.loadDesignPicture();
        p.setEnabled(false);
        return p;
    }
    void send(std::initializer_list<int> bytes) {
        for (int b : bytes) decoder.TraiterOctet(static_cast<std::uint8_t>(b));
    }
    void sendText(const std::string& s) {
        for (char c : s) decoder.TraiterOctet(static_cast<std::uint8_t>(c + 128));
    }
};

}  // namespace

TEST_F(PanelScreenshot, TextCursorMarkAndLampsAreDrawnWhereTheStateSays) {
    if (!fontInstalled) std::printf("note: %s missing, the fallback face draws the screen\n", kFontFile);
    // Clear, "AB&W" on row 1 (the caption holds "AB&&W"), "O" on row 3 col 2,
    // a steady cursor after the W, and some lamps.
    send({131});
    sendText("AB&W");
    send({133});
    send({138, 138, 137, 137, 137});  // row 3, column 2
    sendText("O");
    send({139, 139, 136, 136});  // back to row 1, column 5
    send({17, 79, 117});
    ASSERT_EQ(screen.LigneCurseur, 1);
    ASSERT_EQ(screen.ColonneCurseur, 5);

    const vos::Bitmap img = form.grab();
    if (const char* out = std::getenv("VOS_SCREENSHOT_OUT")) savePpm(img, out);
    ASSERT_EQ(img.width(), 870);
    ASSERT_EQ(img.height(), 720);

    // Text: every written cell has white pixels; "&&" takes one column, so
    // column 5 is blank; row 2 was cleared.
    for (int col = 1; col <= 4; ++col) EXPECT_GT(whiteInCell(img, 1, col), 4) << "row 1 col " << col;
    for (int col = 5; col <= 40; ++col) EXPECT_EQ(whiteInCell(img, 1, col), 0) << "row 1 col " << col;
    for (int col = 1; col <= 40; ++col) EXPECT_EQ(whiteInCell(img, 2, col), 0) << "row 2 col " << col;
    EXPECT_GT(whiteInCell(img, 3, 2), 4) << "the O (shown as Ø)";
    EXPECT_EQ(whiteInCell(img, 3, 1), 0);
    EXPECT_EQ(whiteInCell(img, 3, 3), 0);

    // Cursor mark: the strip of row 1 shows below its line (y 96) only under
    // column 5; strip 2 is blank.
    const int stripRow = 78 + 18;
    EXPECT_GT(whitePixels(img, 102, stripRow, 112, stripRow + 1), 0) << "mark under column 5";
    EXPECT_EQ(whitePixels(img, 62, stripRow, 102, stripRow + 1), 0);
    EXPECT_EQ(whitePixels(img, 112, stripRow, 462, stripRow + 1), 0);
    // Rows the cursor has left keep their last mark: column 3 of strip 2.
    const int strip2Row = 100 + 18;
    EXPECT_GT(whitePixels(img, 82, strip2Row, 92, strip2Row + 1), 0);
    EXPECT_EQ(whitePixels(img, 62, strip2Row, 82, strip2Row + 1), 0);
    EXPECT_EQ(whitePixels(img, 92, strip2Row, 462, strip2Row + 1), 0);

    // Lamps: lit ones in their color, off ones show the skin.
    struct Lamp {
        int lamp;
        bool on;
    };
    for (const Lamp& l : {Lamp{1, true}, Lamp{16, true}, Lamp{17, true}, Lamp{18, true},
                          Lamp{19, true}, Lamp{41, true}, Lamp{42, true}, Lamp{0, false},
                          Lamp{2, false}, Lamp{26, false}, Lamp{35, false}, Lamp{40, false}}) {
        const vos::design::lamps::LampSpec& s = vos::design::lamps::kTable[static_cast<std::size_t>(l.lamp)];
        const int cx = s.left + vos::design::lamps::kSize / 2, cy = s.top + vos::design::lamps::kSize / 2;
        EXPECT_EQ(lampCentre(img, l.lamp), l.on ? s.color : fond.pixel(cx, cy)) << "Led" << l.lamp;
    }
}

TEST_F(PanelScreenshot, HiddenStripShowsNoMark) {
    send({131, 133});
    sendText("ABC");
    screen.ligneC(1).hide();
    const vos::Bitmap img = form.grab();
    EXPECT_GT(whiteInCell(img, 1, 1), 4);
    EXPECT_EQ(whitePixels(img, 62, 96, 462, 97), 0);
    // Shown again by the blink of a steady cursor.
    screen.blink();
    EXPECT_GT(whitePixels(form.grab(), 92, 96, 102, 97), 0);
}
