// JPEG decoding with libjpeg. libjpeg reports fatal errors through a callback
// that must not return; it longjmps back to decodeInto(), whose frame holds
// only trivially destructible objects, so no C++ destructor is skipped.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "platform/core/jpeg_errors.h"
#include "platform/qt/guard.h"
#include "platform/qt/picture_loader.h"

namespace vos {

namespace {

// Warnings (a truncated file, extraneous bytes) would otherwise be printed;
// they count as damage.
void onMessage(j_common_ptr cinfo, int level) {
    if (level < 0) onJpegFatal(cinfo);
}

// Decodes into *out (already sized once the header is known). Returns false
// with err->message set on failure.
bool decodeInto(std::FILE* f, QImage* out, JpegErrorManager* err) {
    jpeg_decompress_struct cinfo;
    cinfo.err = jpeg_std_error(&err->pub);
    err->pub.error_exit = onJpegFatal;
    err->pub.emit_message = onMessage;
    err->message[0] = '\0';
    if (setjmp(err->jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    *out = QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                  QImage::Format_RGB888);
    if (out->isNull()) {
        std::strcpy(err->message, "out of memory");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out->scanLine(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

QImage decodeJpegFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw Error("Impossible d'ouvrir l'image \"" + path + "\"");
    QImage img;
    JpegErrorManager err{};
    const bool ok = decodeInto(f, &img, &err);
    std::fclose(f);
    if (!ok)
        throw Error("Image JPEG endommagée ou illisible \"" + path + "\" (" + err.message + ")");
    return img.convertToFormat(QImage::Format_RGB32);
}

}  // namespace vos
