#include <QPainter>

#include "tools/skingen/skin_paint.h"

namespace vos::skingen {

QImage drawSkin(Machine machine, int scale) {
    QImage img(kWidth * scale, kHeight * scale, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    p.scale(scale, scale);
    drawPanel(p);
    drawGroupCaptions(p);
    drawScreenBezel(p);
    drawCommandButtons(p);
    drawMachinePlate(p, machine);
    drawKeys(p, machine);
    drawLampWindows(p);
    p.end();
    return img;
}

}  // namespace vos::skingen
