// Engraved captions of the key groups, laid in the gaps between key rows so
// that no caption touches a key.
#include <QFontMetricsF>
#include <QPainter>

#include "tools/skingen/skin_geometry.h"
#include "tools/skingen/skin_paint.h"
#include "tools/skingen/skin_style.h"

namespace vos::skingen {

namespace {

namespace hm = design::hitmap;

constexpr int kCaptionPixels = 9;
constexpr int kBandHeight = 13;  // caption band, ending 4 px above its row

struct GroupCaption {
    const char* text;
    int firstX, lastX;  // horizontal extent (the keys it names)
    int rowTop;         // top of the row it names
};

constexpr std::array<GroupCaption, 5> kCaptions{{
    {"ALPHANUMÉRIQUE", hm::kLeftColumns[0].x.lo, hm::kLeftColumns[6].x.hi, hm::kLeftRows[2].y.lo},
    {"NUMÉRIQUE", hm::kLeftColumns[7].x.lo, hm::kLeftColumns[9].x.hi, hm::kLeftRows[2].y.lo},
    {"AUXILIAIRES", hm::kMachineColumns[1].x.lo, hm::kMachineColumns[6].x.hi, hm::kMachineRows[3].y.lo},
    {"AXES", hm::kMachineColumns[1].x.lo, hm::kMachineColumns[6].x.hi, hm::kMachineRows[4].y.lo},
}};

// Grooves across the machine plate in the wide gaps between key rows.
struct Groove {
    int left, right, y;
};
constexpr std::array<Groove, 2> kGrooves{{
    {hm::kMachineColumns[0].x.lo, hm::kMachineColumns[7].x.hi, (hm::kMachineRows[2].y.hi + hm::kMachineRows[3].y.lo) / 2 - 8},
    {hm::kMachineColumns[0].x.lo, hm::kMachineColumns[7].x.hi, (hm::kMachineRows[3].y.hi + hm::kMachineRows[4].y.lo) / 2 - 7},
}};

void drawCaption(QPainter& p, const GroupCaption& c) {
    const QRectF band(c.firstX, c.rowTop - 4 - kBandHeight, c.lastX - c.firstX + 1, kBandHeight);
    const QFont font = panelFont(kCaptionPixels);
    drawEngravedText(p, band, QString::fromUtf8(c.text), font);
    // Thin rules either side of the text.
    const qreal textWidth = QFontMetricsF(font).horizontalAdvance(QString::fromUtf8(c.text));
    const qreal y = band.center().y();
    const qreal gapLeft = band.center().x() - textWidth / 2 - 5;
    const qreal gapRight = band.center().x() + textWidth / 2 + 5;
    if (gapLeft - band.left() > 8) {
        p.fillRect(QRectF(band.left() + 2, y, gapLeft - band.left() - 2, 1), qc(style::kEngraving));
        p.fillRect(QRectF(gapRight, y, band.right() - gapRight - 2, 1), qc(style::kEngraving));
    }
}

}  // namespace

void drawGroupCaptions(QPainter& p) {
    for (const Groove& g : kGrooves) {
        p.fillRect(QRect(g.left, g.y, g.right - g.left + 1, 1), qc(style::kPlateDark));
        p.fillRect(QRect(g.left, g.y + 1, g.right - g.left + 1, 1), qc(style::kPlateLight));
    }
    for (const GroupCaption& c : kCaptions) drawCaption(p, c);
}

}  // namespace vos::skingen
