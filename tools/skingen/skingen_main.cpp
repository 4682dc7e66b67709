// vostrelle-skingen: draws the panel pictures and the program's icon.
//
//   vostrelle-skingen OUTDIR
//
// Writes OUTDIR/num760f.jpg (milling machine), OUTDIR/num760t.jpg (lathe),
// both 870 x 720 JPEG, their double-size pictures num760f@2x.jpg and
// num760t@2x.jpg (1740 x 1440, drawn sharp for screens of twice the design
// density), and OUTDIR/vostrelle.png (128 x 128 icon). Runs on
// Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise. Exit status
// 0 on success, 1 on a write failure, 2 on bad arguments.
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <exception>
#include <string>

#include "tools/skingen/jpeg_io.h"
#include "tools/skingen/skin_paint.h"

namespace {

constexpr int kJpegQuality = 90;
constexpr int kIconSize = 128;

vos::skingen::RgbPicture toRgb(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    vos::skingen::RgbPicture pic;
    pic.width = rgb.width();
    pic.height = rgb.height();
    const auto rowBytes = static_cast<std::size_t>(rgb.width()) * 3u;
    pic.rgb.resize(rowBytes * static_cast<std::size_t>(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* line = rgb.constScanLine(y);
        std::copy(line, line + rowBytes, pic.rgb.begin() + static_cast<std::ptrdiff_t>(rowBytes * y));
    }
    return pic;
}

void writeAll(const std::string& dir) {
    using vos::skingen::Machine;
    for (Machine m : {Machine::Fraiseuse, Machine::Tour})
        for (int scale : {1, 2})
            vos::skingen::writeJpeg(dir + "/" + vos::skingen::skinFile(m, scale),
                                    toRgb(vos::skingen::drawSkin(m, scale)), kJpegQuality);
    const std::string icon = dir + "/vostrelle.png";
    if (!vos::skingen::drawIcon(kIconSize).save(QString::fromStdString(icon), "PNG"))
        throw std::runtime_error(icon + ": write failed");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: vostrelle-skingen OUTDIR\n", stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    try {
        writeAll(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vostrelle-skingen: %s\n", e.what());
        return 1;
    }
    return 0;
}
