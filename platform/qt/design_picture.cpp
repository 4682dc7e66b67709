#include <QLinearGradient>
#include <QPainter>

#include "design/window.h"
#include "platform/qt/picture_loader.h"

namespace vos {

// A neutral dark panel: brushed-grey gradient, a bevelled edge and a recessed
// area where the character screen lies. No keys are drawn, so nothing on it
// can disagree with the key regions.
QImage designPicture() {
    constexpr int W = design::kClientWidth, H = design::kClientHeight;  // the skin fills the window
    QImage img(W, H, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, H);
    g.setColorAt(0.0, QColor(72, 72, 76));
    g.setColorAt(1.0, QColor(44, 44, 48));
    p.fillRect(img.rect(), g);
    p.setPen(QColor(110, 110, 116));
    p.drawLine(0, 0, W - 1, 0);
    p.drawLine(0, 0, 0, H - 1);
    p.setPen(QColor(24, 24, 26));
    p.drawLine(0, H - 1, W - 1, H - 1);
    p.drawLine(W - 1, 0, W - 1, H - 1);
    p.fillRect(QRect(36, 45, 800, 638), QColor(30, 30, 33));
    p.setPen(QColor(90, 90, 96));
    p.drawRect(QRect(36, 45, 799, 637));
    return img;
}

}  // namespace vos
