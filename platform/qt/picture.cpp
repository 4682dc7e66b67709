#include "platform/qt/picture.h"

#include <QPainter>
#include <cmath>
#include <optional>

#include "platform/qt/control_widget.h"
#include "platform/qt/form_impl.h"
#include "platform/qt/picture_loader.h"
#include "platform/qt/qt_convert.h"

namespace vos {

namespace {

class PictureWidget final : public ControlWidget {
public:
    explicit PictureWidget(QWidget* parent) : ControlWidget(parent) {
        setPassMouseWhenDisabled(true);
    }

    // `file`: where the picture came from (its "@2x" file is looked for
    // there when needed); empty for a picture made in code.
    void setImage(QImage img, std::string file) {
        image_ = std::move(img);
        file_ = std::move(file);
        sharp_.reset();
        drawn_ = QImage();
        syncOpacity();
        update();
    }
    const QImage& image() const { return image_; }

    void scaleBy(double f) {
        scale_ *= f;
        drawn_ = QImage();
        syncOpacity();
        update();
    }

    bool drawsSharp() {
        prepare();
        return sharp_ && !sharp_->isNull() && !drawn_.isNull();
    }

protected:
    void paintControl(QPainter& p) override {
        if (image_.isNull()) return;
        if (scale_ == 1.0 && devicePixelRatioF() == 1.0) {
            p.drawImage(0, 0, image_);
            return;
        }
        prepare();
        p.drawImage(0, 0, drawn_);
    }
    void resizeEvent(QResizeEvent*) override { syncOpacity(); }

private:
    QSize shownSize() const {
        return {static_cast<int>(std::lround(image_.width() * scale_)),
                static_cast<int>(std::lround(image_.height() * scale_))};
    }

    // The picture at the size it is shown, in device pixels, made once per
    // picture, scale and device pixel ratio (a paint only copies it).
    void prepare() {
        const qreal dpr = devicePixelRatioF();
        if (!drawn_.isNull() && drawn_.devicePixelRatio() == dpr) return;
        const QSize device = shownSize() * dpr;
        if (device.isEmpty() || image_.isNull()) return;
        if (device.width() > image_.width() && !sharp_) sharp_ = loadSharp();
        const QImage& source = sharp_ && !sharp_->isNull() ? *sharp_ : image_;
        drawn_ = source.size() == device ? source
                                         : source.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        drawn_.setDevicePixelRatio(dpr);
    }

    // The "@2x" file when it is exactly twice the picture's size; an empty
    // image (tried, none) otherwise.
    QImage loadSharp() const {
        if (file_.empty()) return {};
        return loadSharpVariant(file_, image_.size() * 2);
    }

    // Where the picture covers the whole control, nothing below needs painting.
    void syncOpacity() {
        const QSize s = shownSize();
        setOpaque(!image_.isNull() && !image_.hasAlphaChannel() && s.width() >= width() && s.height() >= height());
    }

    QImage image_;
    std::string file_;
    double scale_ = 1.0;
    std::optional<QImage> sharp_;  // unset: not looked for yet
    QImage drawn_;
};

PictureWidget& widgetOf(const Picture& p) { return *static_cast<PictureWidget*>(p.widget()); }

}  // namespace

Picture::Picture(Form& owner, std::string name)
    : Control(owner, std::move(name), new PictureWidget(owner.impl().parentForControls())) {}

void Picture::loadFromFile(const std::string& path) {
    std::string actual;
    QImage img = loadPictureFile(path, &actual);  // throws; the picture shown stays
    widgetOf(*this).setImage(std::move(img), actual);
    fileName_ = path;
}

void Picture::loadDesignPicture() {
    widgetOf(*this).setImage(designPicture(), {});
    fileName_.clear();
}

design::Rgb Picture::pixel(int x, int y) const {
    const QImage& img = widgetOf(*this).image();
    if (!img.valid(x, y)) return design::colors::Black;
    return qtconv::fromQColor(img.pixelColor(x, y));
}

bool Picture::drawsSharp() const { return widgetOf(*this).drawsSharp(); }

void Picture::scaleBy(int num, int den) {
    Control::scaleBy(num, den);
    if (num > 0 && den > 0) widgetOf(*this).scaleBy(static_cast<double>(num) / den);
}

}  // namespace vos
