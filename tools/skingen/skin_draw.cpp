#include <QPainter>

#include "tools/skingen/skin_paint.h"

namespace vos::skingen {

QImage drawSkin(Machine machine) {
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
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
