#include "platform/qt/picture.h"

#include <QPainter>

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

    void setImage(QImage img) {
        image_ = std::move(img);
        syncOpacity();
        update();
    }
    const QImage& image() const { return image_; }

protected:
    void paintControl(QPainter& p) override {
        if (!image_.isNull()) p.drawImage(0, 0, image_);
    }
    void resizeEvent(QResizeEvent*) override { syncOpacity(); }

private:
    // Drawn unscaled at the top-left corner; where the picture covers the
    // whole control, nothing below needs painting.
    void syncOpacity() {
        setOpaque(!image_.isNull() && !image_.hasAlphaChannel() && image_.width() >= width() &&
                  image_.height() >= height());
    }
    QImage image_;
};

PictureWidget& widgetOf(const Picture& p) { return *static_cast<PictureWidget*>(p.widget()); }

}  // namespace

Picture::Picture(Form& owner, std::string name)
    : Control(owner, std::move(name), new PictureWidget(owner.impl().parentForControls())) {}

void Picture::loadFromFile(const std::string& path) {
    QImage img = loadPictureFile(path);  // throws; the picture shown stays
    widgetOf(*this).setImage(std::move(img));
    fileName_ = path;
}

void Picture::loadDesignPicture() {
    widgetOf(*this).setImage(designPicture());
    fileName_.clear();
}

Rgb Picture::pixel(int x, int y) const {
    const QImage& img = widgetOf(*this).image();
    if (!img.valid(x, y)) return colors::Black;
    return qtconv::fromQColor(img.pixelColor(x, y));
}

}  // namespace vos
