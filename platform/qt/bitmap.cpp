#include "platform/qt/bitmap_impl.h"
#include "platform/qt/picture_loader.h"
#include "platform/qt/qt_convert.h"

namespace vos {

Bitmap::Bitmap() : impl_(new Impl) {}
Bitmap::~Bitmap() { delete impl_; }
Bitmap::Bitmap(const Bitmap& o) : impl_(new Impl(*o.impl_)) {}
Bitmap& Bitmap::operator=(const Bitmap& o) {
    if (this != &o) *impl_ = *o.impl_;
    return *this;
}

bool Bitmap::empty() const { return impl_->image.isNull(); }
int Bitmap::width() const { return impl_->image.width(); }
int Bitmap::height() const { return impl_->image.height(); }

design::Rgb Bitmap::pixel(int x, int y) const {
    if (!impl_->image.valid(x, y)) return design::colors::Black;
    return qtconv::fromQColor(impl_->image.pixelColor(x, y));
}

void Bitmap::setPixel(int x, int y, design::Rgb c) {
    if (impl_->image.valid(x, y)) impl_->image.setPixelColor(x, y, qtconv::toQColor(c));
}

void Bitmap::loadFromFile(const std::string& path) { impl_->image = loadPictureFile(path); }

Bitmap Bitmap::filled(int w, int h, design::Rgb c) {
    Bitmap b;
    b.impl_->image = QImage(std::max(0, w), std::max(0, h), QImage::Format_RGB32);
    b.impl_->image.fill(qtconv::toQColor(c));
    return b;
}

Bitmap bitmapFromImage(const QImage& img) {
    Bitmap b;
    b.impl()->image = img.convertToFormat(QImage::Format_RGB32);
    return b;
}

}  // namespace vos
