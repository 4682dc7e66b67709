#pragma once
// JPEG files of the skins, written with libjpeg and read back with the
// program's own decode (platform/core/jpeg_decode.h). Errors are reported as
// std::runtime_error with the file's path.
#include <cstdint>
#include <string>
#include <vector>

namespace vos::skingen {

// An 8-bit RGB picture, rows top to bottom, 3 bytes per pixel.
struct RgbPicture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
};

// Writes `pic` as a baseline JPEG of the given quality (1..100), without
// chroma subsampling so the edges of small keys and legends stay sharp.
void writeJpeg(const std::string& path, const RgbPicture& pic, int quality);
RgbPicture readJpeg(const std::string& path);

}  // namespace vos::skingen
