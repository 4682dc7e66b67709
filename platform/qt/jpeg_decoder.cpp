// The program's JPEG pictures: the shared libjpeg decode, straight into the
// image's rows, with the program's policy on damage.
#include <cstdio>

#include "platform/core/jpeg_decode.h"
#include "platform/qt/guard.h"
#include "platform/qt/picture_loader.h"

namespace vos {

namespace {

class ImageRows : public JpegRowSink {
public:
    bool reserve(int width, int height) override {
        image = QImage(width, height, QImage::Format_RGB888);
        return !image.isNull();
    }
    std::uint8_t* row(int y) override { return image.scanLine(y); }

    QImage image;
};

}  // namespace

// A warning (a truncated file, extraneous bytes) counts as damage, as a fatal
// error does: the panel never shows a half-grey skin.
QImage decodeJpegFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw Error("Impossible d'ouvrir l'image \"" + path + "\"");
    ImageRows rows;
    JpegDecodeReport report;
    const bool ok = decodeJpeg(f, rows, report);
    std::fclose(f);
    if (!ok || report.warnings > 0)
        throw Error("Image JPEG endommagée ou illisible \"" + path + "\" (" +
                    (report.warnings > 0 ? report.firstWarning : report.error) + ")");
    return rows.image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace vos
