#pragma once
// Drawing the panel pictures. Each part of the panel has its own file and
// function; drawSkin() lays them down in order (background first, lamp
// windows last). All functions draw with the painter's current transform on
// an 870 x 720 RGB image and leave the painter's state as they found it.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QString>

#include "design/types.h"
#include "tools/skingen/skin_legends.h"

class QPainter;

namespace vos::skingen {

// The whole panel picture of one machine type, `scale` times its design
// size (2: the sharp picture for screens of twice the design density).
QImage drawSkin(Machine machine, int scale = 1);
// The program's icon, size x size pixels, with an alpha channel.
QImage drawIcon(int size);

// Parts, in drawing order.
void drawPanel(QPainter& p);                        // part_panel.cpp
void drawGroupCaptions(QPainter& p);                // part_captions.cpp
void drawScreenBezel(QPainter& p);                  // part_screen.cpp
void drawCommandButtons(QPainter& p);               // part_commands.cpp
void drawMachinePlate(QPainter& p, Machine m);      // part_plate.cpp
void drawKeys(QPainter& p, Machine m);              // part_keys.cpp
void drawLegend(QPainter& p, const KeyPlace& key, Machine m);  // part_legends.cpp
void drawLampWindows(QPainter& p);                  // part_lamps.cpp

// Small helpers shared by the parts (skin_paint.cpp).
QColor qc(design::Rgb c);
QRectF rectOf(const design::Bounds& b);
QFont panelFont(int pixelHeight, bool bold = true);
// The font of `pixelHeight` shrunk until `text` fits in `width` (not below 5 px).
QFont fittedFont(const QString& text, int pixelHeight, qreal width, bool bold = true);
// A raised (or, with sunken, recessed) rectangle: face, light edge top-left,
// dark edge bottom-right, `edge` pixels wide.
void drawBevelRect(QPainter& p, const QRectF& r, QColor face, QColor light, QColor dark, int edge,
                   bool sunken = false);
// Text in `color`, centred in `r`.
void drawCentredText(QPainter& p, const QRectF& r, const QString& text, const QFont& font, QColor color);
// Engraved text: a dark copy one pixel below a light one, centred in `r`.
void drawEngravedText(QPainter& p, const QRectF& r, const QString& text, const QFont& font);

}  // namespace vos::skingen
