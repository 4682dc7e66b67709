#pragma once
// Loading of picture files for the picture control and bitmaps. Private to
// platform/qt.
#include <QImage>
#include <QSize>
#include <string>

#include "design/window.h"

namespace vos {

// The most pixels a picture file may announce: four times the double-size
// skins' (1740 x 1440), i.e. a skin drawn for a screen of four times the
// design density each way. Held at 4 bytes a pixel that is 40 MB, so the
// program starts far under 200 MB with any picture; a header announcing more
// (a damaged or hostile file) is refused before anything is decoded.
inline constexpr long long kMaxPicturePixels = 16LL * design::kClientWidth * design::kClientHeight;

// Whether a picture of that size may be decoded.
bool pictureSizeAllowed(QSize size);
// The operator's message for a picture refused by its size.
std::string tooLargeMessage(const std::string& path, QSize size);

// Decodes a picture file by its extension: ".jpg"/".jpeg" (any case) with
// libjpeg, ".bmp"/".png" with Qt. When no file has exactly that name, a file
// of the same folder whose name differs only in letter case is taken (picture
// names in the configuration are not case-sensitive). Throws vos::Error with a
// French message naming the file when the file is missing, not a regular
// file (a FIFO, a device, a folder: refused at once, never waited on),
// unreadable, damaged, larger than kMaxPicturePixels, or of an unknown
// extension.
// `actual`, when given, receives the path of the file read.
QImage loadPictureFile(const std::string& path, std::string* actual = nullptr);

// The double-size variant of a picture file: the same name with "@2x" before
// the extension ("Skins/num760f@2x.jpg" for "Skins/num760f.jpg"), found as
// loadPictureFile finds files. An empty image when there is none, it cannot
// be read, or its header does not announce exactly `size` (it is then not
// decoded): the variant is optional.
QImage loadSharpVariant(const std::string& path, QSize size);

// Decodes a regular JPEG file with libjpeg into an RGB32 image. Throws
// vos::Error. With a valid `expected` size, a picture of another size that
// is not too large gives an empty image, without being decoded.
QImage decodeJpegFile(const std::string& path, QSize expected = {});

// The picture shown before any skin is loaded: a plain dark panel drawn in
// code, 870 x 720.
QImage designPicture();

}  // namespace vos
