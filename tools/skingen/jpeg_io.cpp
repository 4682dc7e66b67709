// libjpeg reports fatal errors through a callback that must not return: it
// longjmps back into the function that set the jump, whose frame holds only
// trivially destructible objects, so no C++ destructor is skipped.
#include "tools/skingen/jpeg_io.h"

#include <csetjmp>
#include <cstdio>
#include <new>
#include <stdexcept>

#include <jpeglib.h>

#include "platform/core/jpeg_decode.h"
#include "platform/core/jpeg_errors.h"

namespace vos::skingen {

namespace {

bool encode(std::FILE* f, const RgbPicture* pic, int quality, JpegErrorManager* err) {
    jpeg_compress_struct cinfo;
    cinfo.err = jpeg_std_error(&err->pub);
    err->pub.error_exit = onJpegFatal;
    if (setjmp(err->jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = static_cast<JDIMENSION>(pic->width);
    cinfo.image_height = static_cast<JDIMENSION>(pic->height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    for (int c = 0; c < 3; ++c) cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        auto* row = const_cast<JSAMPLE*>(&pic->rgb[static_cast<std::size_t>(cinfo.next_scanline) * 3u *
                                                   static_cast<std::size_t>(pic->width)]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// Fills the picture; its rows are sized before the first scanline is read.
class PictureRows : public JpegRowSink {
public:
    explicit PictureRows(RgbPicture& pic) : pic_(pic) {}
    bool reserve(int width, int height) override {
        pic_.width = width;
        pic_.height = height;
        try {
            pic_.rgb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3u);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    std::uint8_t* row(int y) override {
        return &pic_.rgb[static_cast<std::size_t>(y) * 3u * static_cast<std::size_t>(pic_.width)];
    }

private:
    RgbPicture& pic_;
};

struct File {
    std::FILE* f;
    ~File() {
        if (f) std::fclose(f);
    }
};

}  // namespace

void writeJpeg(const std::string& path, const RgbPicture& pic, int quality) {
    if (pic.rgb.size() != static_cast<std::size_t>(pic.width) * static_cast<std::size_t>(pic.height) * 3u)
        throw std::runtime_error(path + ": picture size and data disagree");
    File out{std::fopen(path.c_str(), "wb")};
    if (!out.f) throw std::runtime_error(path + ": cannot create the file");
    JpegErrorManager err{};
    if (!encode(out.f, &pic, quality, &err)) throw std::runtime_error(path + ": " + err.message);
    const bool closed = std::fclose(out.f) == 0;
    out.f = nullptr;
    if (!closed) throw std::runtime_error(path + ": write failed");
}

RgbPicture readJpeg(const std::string& path) {
    File in{std::fopen(path.c_str(), "rb")};
    if (!in.f) throw std::runtime_error(path + ": cannot open the file");
    RgbPicture pic;
    PictureRows rows(pic);
    JpegDecodeReport report;
    if (!decodeJpeg(in.f, rows, report)) throw std::runtime_error(path + ": " + report.error);
    // Warnings leave a whole picture: the first is told, as libjpeg itself
    // would, and the picture is kept.
    if (report.warnings > 0) std::fprintf(stderr, "%s\n", report.firstWarning.c_str());
    return pic;
}

}  // namespace vos::skingen
