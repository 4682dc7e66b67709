// libjpeg reports fatal errors through a callback that must not return: it
// longjmps back to decodeInto(), whose frame holds only trivially
// destructible objects, so no C++ destructor is skipped.
#include "platform/core/jpeg_decode.h"

#include <csetjmp>
#include <cstring>

#include <jpeglib.h>

#include "platform/core/jpeg_errors.h"

namespace vos {

namespace {

// The fatal-error hook's state, then what the warnings left. Fixed-size
// text only: the message hook runs inside libjpeg, where nothing may throw.
struct DecodeErrors {
    JpegErrorManager fatal;  // first: libjpeg sees only its `pub` part
    int warnings;
    char firstWarning[JMSG_LENGTH_MAX];
};

// Warnings would otherwise be printed on the standard error; trace messages
// (level 0 and up) are dropped.
void onMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    auto* err = reinterpret_cast<DecodeErrors*>(cinfo->err);
    if (err->warnings++ == 0) (*cinfo->err->format_message)(cinfo, err->firstWarning);
}

bool decodeInto(std::FILE* f, JpegRowSink* sink, DecodeErrors* err) {
    jpeg_decompress_struct cinfo;
    cinfo.err = jpeg_std_error(&err->fatal.pub);
    err->fatal.pub.error_exit = onJpegFatal;
    err->fatal.pub.emit_message = onMessage;
    if (setjmp(err->fatal.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    // The sink judges the size before the decode allocates anything for it
    // (a progressive picture's buffers are as large as the picture).
    jpeg_calc_output_dimensions(&cinfo);
    if (!sink->reserve(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height))) {
        std::strcpy(err->fatal.message, "out of memory");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = sink->row(y);
        jpeg_read_scanlines(&cinfo, &row, 1);
        sink->rowDone(y);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

bool decodeJpeg(std::FILE* f, JpegRowSink& sink, JpegDecodeReport& report) {
    DecodeErrors err{};
    const bool ok = decodeInto(f, &sink, &err);
    report.warnings = err.warnings;
    report.firstWarning = err.warnings > 0 ? err.firstWarning : "";
    report.error = ok ? "" : err.fatal.message;
    return ok;
}

}  // namespace vos
