#pragma once
// Decoding of JPEG files with libjpeg, shared by the program's picture
// loading and the skin generator. The decode has no policy of its own about
// damage: libjpeg's warnings (a truncated file, extraneous bytes) leave a
// complete picture of the declared size, and are counted for the caller to
// judge; only a fatal error stops the decode.
//
// Qt-free. Thread: any; one decode per JpegRowSink at a time.
#include <cstdint>
#include <cstdio>
#include <string>

namespace vos {

// Where the decoded rows go, 3 bytes a pixel (red, green, blue), top row
// first. Neither function may throw: the decode's libjpeg state is released
// only by returning through it.
class JpegRowSink {
public:
    virtual ~JpegRowSink() = default;
    // The picture's size, once the header has been read and before anything
    // is decoded (nothing of the picture is held yet, whatever size the
    // header announces). False when the sink will not take it (no room, or
    // more pixels than it accepts): the decode then fails with "out of
    // memory" and the sink knows its own reason.
    virtual bool reserve(int width, int height) = 0;
    // The start of row `y` (0 = top), width * 3 bytes.
    virtual std::uint8_t* row(int y) = 0;
    // Row `y` has been written (rows come in order, each once).
    virtual void rowDone(int /*y*/) {}
};

struct JpegDecodeReport {
    int warnings = 0;
    std::string firstWarning;  // libjpeg's text of the first warning
    std::string error;         // libjpeg's text of the fatal error, when it failed
};

// Decodes the JPEG stream `f` (read from its current position) into `sink`.
// False on a fatal error (a stream that is not JPEG, a header cut short, no
// room for the picture); `report` then says why. Warnings are counted in
// `report` and do not stop the decode. `f` stays open.
bool decodeJpeg(std::FILE* f, JpegRowSink& sink, JpegDecodeReport& report);

}  // namespace vos
