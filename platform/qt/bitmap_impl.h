#pragma once
// Bitmap::Impl: a QImage. Private to platform/qt.
#include <QImage>

#include "platform/qt/graphic_control.h"

namespace vos {

struct Bitmap::Impl {
    QImage image;
};

// Wraps an image (converted to RGB32) in a Bitmap.
Bitmap bitmapFromImage(const QImage& img);

}  // namespace vos
