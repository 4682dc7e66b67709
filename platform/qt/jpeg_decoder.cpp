// The program's JPEG pictures: the shared libjpeg decode, straight into the
// image's rows, with the program's policy on damage and size.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/core/jpeg_decode.h"
#include "platform/qt/guard.h"
#include "platform/qt/picture_loader.h"

namespace vos {

namespace {

// Decodes into the final 32-bit image, without a 24-bit copy beside it: each
// row's 3-byte pixels are written into the last three quarters of its own
// 4-byte row, then spread to 4 bytes from the left, where every write lands
// on bytes already read.
class ImageRows : public JpegRowSink {
public:
    explicit ImageRows(QSize expected) : expected_(expected) {}

    bool reserve(int width, int height) override {
        size = QSize(width, height);
        if (!pictureSizeAllowed(size) || (expected_.isValid() && size != expected_)) {
            refused = true;
            return false;
        }
        image = QImage(width, height, QImage::Format_RGB32);
        return !image.isNull();
    }
    std::uint8_t* row(int y) override { return image.scanLine(y) + image.width(); }
    void rowDone(int y) override {
        std::uint8_t* line = image.scanLine(y);
        const std::uint8_t* rgb = line + image.width();
        auto* out = reinterpret_cast<QRgb*>(line);
        for (int x = 0; x < image.width(); ++x, rgb += 3) {
            const QRgb pixel = qRgb(rgb[0], rgb[1], rgb[2]);
            out[x] = pixel;
        }
    }

    QImage image;
    QSize size;
    bool refused = false;  // by size: too large, or not the size expected

private:
    QSize expected_;
};

// Opened without waiting (a FIFO would block until someone writes to it) and
// checked to be a regular file on the descriptor itself.
std::FILE* openRegular(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) ::close(fd);
    return f;
}

}  // namespace

// A warning (a truncated file, extraneous bytes) counts as damage, as a fatal
// error does: the panel never shows a half-grey skin.
QImage decodeJpegFile(const std::string& path, QSize expected) {
    std::FILE* f = openRegular(path);
    if (!f) throw Error("Impossible d'ouvrir l'image \"" + path + "\"");
    ImageRows rows(expected);
    JpegDecodeReport report;
    const bool ok = decodeJpeg(f, rows, report);
    std::fclose(f);
    if (rows.refused) {
        if (expected.isValid() && pictureSizeAllowed(rows.size)) return {};
        throw Error(tooLargeMessage(path, rows.size));
    }
    if (!ok || report.warnings > 0)
        throw Error("Image JPEG endommagée ou illisible \"" + path + "\" (" +
                    (report.warnings > 0 ? report.firstWarning : report.error) + ")");
    return std::move(rows.image);
}

}  // namespace vos
