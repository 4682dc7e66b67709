#pragma once
// Loading of picture files for the picture control and bitmaps. Private to
// platform/qt.
#include <QImage>
#include <string>

namespace vos {

// Decodes a picture file by its extension: ".jpg"/".jpeg" (any case) with
// libjpeg, ".bmp"/".png" with Qt. When no file has exactly that name, a file
// of the same folder whose name differs only in letter case is taken (picture
// names in the configuration are not case-sensitive). Throws vos::Error with a
// French message naming the file when the file is missing, unreadable,
// damaged or of an unknown extension.
// `actual`, when given, receives the path of the file read.
QImage loadPictureFile(const std::string& path, std::string* actual = nullptr);

// The double-size variant of a picture file: the same name with "@2x" before
// the extension ("Skins/num760f@2x.jpg" for "Skins/num760f.jpg"), found as
// loadPictureFile finds files. An empty image when there is none or it cannot
// be read: the variant is optional.
QImage loadSharpVariant(const std::string& path);

// Decodes a JPEG file with libjpeg into an RGB32 image. Throws vos::Error.
QImage decodeJpegFile(const std::string& path);

// The picture shown before any skin is loaded: a plain dark panel drawn in
// code, 870 x 720.
QImage designPicture();

}  // namespace vos
