// The panel's body: brushed grey-blue metal, the title band, the dark strip
// along the bottom where the link controls appear, the raised plates that
// carry the key groups, and a few screw heads.
#include <QLinearGradient>
#include <QPainter>

#include "tools/skingen/skin_geometry.h"
#include "tools/skingen/skin_paint.h"
#include "tools/skingen/skin_style.h"

namespace vos::skingen {

namespace {

namespace hm = design::hitmap;

constexpr int kHeaderBottom = 42;
constexpr int kBottomStripTop = 686;

// Plates round the key groups, a little larger than the keys they carry.
constexpr design::Bounds kLeftPlate{hm::kLeftColumns.front().x.lo - 34, 50,
                            hm::kLeftColumns.back().x.hi + 34 - (hm::kLeftColumns.front().x.lo - 34),
                            hm::kLeftRows.back().y.hi + 8 - 50};
constexpr design::Bounds kMachinePlate{hm::kMachineColumns.front().x.lo - 12, hm::kMachineRows.front().y.lo - 8,
                               hm::kMachineColumns.back().x.hi + 6 - (hm::kMachineColumns.front().x.lo - 12),
                               hm::kMachineRows.back().y.hi + 10 - (hm::kMachineRows.front().y.lo - 8)};
constexpr design::Bounds kCyclePlate{hm::kLargeKeys.front().x.lo - 15, hm::kLargeBand.lo - 16,
                             hm::kLargeKeys.back().x.hi + 14 - (hm::kLargeKeys.front().x.lo - 15),
                             hm::kLargeBand.hi + 12 - (hm::kLargeBand.lo - 16)};

constexpr std::array<design::Bounds, 3> kPlates{kLeftPlate, kMachinePlate, kCyclePlate};

// Screw heads in the margins, clear of the command areas and their captions.
constexpr std::array<std::array<int, 2>, 4> kScrews{{{21, 28}, {849, 28}, {21, 612}, {849, 612}}};

void drawMetal(QPainter& p) {
    QLinearGradient g(0, 0, 0, kHeight);
    g.setColorAt(0.0, qc(style::kPanelTop));
    g.setColorAt(1.0, qc(style::kPanelBottom));
    p.fillRect(QRect(0, 0, kWidth, kHeight), g);
    // Brushed grain: faint horizontal lines from a fixed pseudo-random
    // sequence, so every build draws the same picture.
    unsigned seed = 12345u;
    for (int y = 0; y < kHeight; ++y) {
        seed = seed * 1103515245u + 12345u;
        const int shade = static_cast<int>((seed >> 16) % 9) - 4;
        QColor c = shade >= 0 ? QColor(255, 255, 255, shade * 4) : QColor(0, 0, 0, -shade * 5);
        p.fillRect(QRect(0, y, kWidth, 1), c);
    }
}

void drawBands(QPainter& p) {
    p.fillRect(QRect(0, 0, kWidth, kHeaderBottom), qc(style::kHeader));
    p.fillRect(QRect(0, kHeaderBottom, kWidth, 1), qc(style::kPlateLight));
    p.fillRect(QRect(0, kBottomStripTop, kWidth, kHeight - kBottomStripTop), qc(style::kBottomStrip));
    p.fillRect(QRect(0, kBottomStripTop - 1, kWidth, 1), qc(style::kPlateDark));
}

void drawOuterEdge(QPainter& p) {
    p.fillRect(QRect(0, 0, kWidth, 2), qc(style::kPlateLight));
    p.fillRect(QRect(0, 0, 2, kHeight), qc(style::kPlateLight));
    p.fillRect(QRect(0, kHeight - 2, kWidth, 2), qc(style::kPlateDark));
    p.fillRect(QRect(kWidth - 2, 0, 2, kHeight), qc(style::kPlateDark));
}

void drawPlates(QPainter& p) {
    for (const design::Bounds& b : kPlates) {
        const QRectF r = rectOf(b);
        p.fillRect(r.translated(2, 3), QColor(0, 0, 0, 70));
        drawBevelRect(p, r, qc(style::kPlate), qc(style::kPlateLight), qc(style::kPlateDark), 2);
    }
}

void drawScrew(QPainter& p, int cx, int cy) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(cx - 5, cy - 5, cx + 5, cy + 5);
    g.setColorAt(0.0, qc(style::kButtonLight));
    g.setColorAt(1.0, qc(style::kPlateDark));
    p.setPen(QPen(qc(style::kPlateDark), 1));
    p.setBrush(g);
    p.drawEllipse(QPointF(cx, cy), 5, 5);
    p.setPen(QPen(qc(style::kPlateDark), 1.5));
    p.drawLine(QPointF(cx - 3, cy + 3), QPointF(cx + 3, cy - 3));
    p.restore();
}

}  // namespace

void drawPanel(QPainter& p) {
    drawMetal(p);
    drawBands(p);
    drawOuterEdge(p);
    drawPlates(p);
    for (const auto& s : kScrews) drawScrew(p, s[0], s[1]);
}

}  // namespace vos::skingen
