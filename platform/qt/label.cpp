#include "platform/qt/label.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>

#include "platform/qt/control_widget.h"
#include "platform/qt/form_impl.h"
#include "platform/qt/qt_convert.h"

namespace vos {

namespace {

// Draws a Label. Keeps the Qt font and its ascent so a paint does no font
// resolution work beyond what QPainter caches.
class LabelWidget final : public ControlWidget {
public:
    explicit LabelWidget(QWidget* parent) : ControlWidget(parent) {}

    void setLabelFont(const QFont& f) {
        font_ = f;
        // Whole pixels: a glyph drawn on a fractional baseline is blurred.
        ascent_ = QFontMetrics(font_).ascent();
        metrics_ = QFontMetricsF(font_);
    }
    const QFont& labelFont() const { return font_; }

protected:
    void paintControl(QPainter& p) override {
        const auto* l = static_cast<const Label*>(control());
        if (!l) return;
        if (!l->transparent()) p.fillRect(rect(), qtconv::toQColor(l->color()));
        if (l->caption().empty()) return;
        p.setFont(font_);
        p.setPen(qtconv::toQColor(l->font().color));
        const QString text = displayText(*l);
        if (const double cell = l->cellWidth(); cell > 0) {
            // Fixed grid: columns line up whatever the face's own advance.
            const bool underline = l->font().underline;
            // Showing only the top of its text, the label shows the top
            // stroke of each capital as a bar from its top edge to its
            // bottom edge, as wide as the glyph's ink: a thin face at a small
            // scale still gives a bar as high as the label.
            for (qsizetype i = 0; i < text.size(); ++i) {
                const QChar ch = text.at(i);
                if (ch == QLatin1Char(' ') && !underline) continue;
                const double x = static_cast<double>(i) * cell;
                if (l->capTopAligned()) {
                    const QRectF ink = metrics_.tightBoundingRect(QString(ch));
                    p.fillRect(QRectF(x + ink.left(), 0, ink.width(), height()), p.pen().color());
                    continue;
                }
                p.drawText(QPointF(x, ascent_), QString(ch));
            }
            return;
        }
        p.drawText(rect(), alignmentFlags(), text);
    }

public:
    static QString displayText(const Label& l) {
        QString t = qtconv::toQString(l.shownText());
        t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        return t;
    }
    int alignmentFlags() const { return Qt::AlignTop | Qt::TextDontClip | horizontal_; }
    int horizontal_ = Qt::AlignLeft;

private:
    QFont font_;
    int ascent_ = 0;
    QFontMetricsF metrics_{QFont()};
};

LabelWidget& widgetOf(const Label& l) { return *static_cast<LabelWidget*>(l.widget()); }

}  // namespace

Label::Label(Form& owner, std::string name)
    : Control(owner, std::move(name), new LabelWidget(owner.impl().parentForControls())),
      font_(owner.impl().font) {
    widgetOf(*this).setLabelFont(qtconv::toQFont(font_));
    widgetOf(*this).setOpaque(!transparent_);
}

void Label::setCaption(std::string utf8) {
    if (utf8 == caption_) return;
    caption_ = std::move(utf8);
    if (autoSize_) adjustSize();
    static_cast<ControlWidget*>(widget())->markDirty();
}

void Label::setFont(const FontSpec& f) {
    if (f == font_) return;
    font_ = f;
    widgetOf(*this).setLabelFont(qtconv::toQFont(font_));
    if (autoSize_) adjustSize();
    static_cast<ControlWidget*>(widget())->markDirty();
}

void Label::setFontPixels(int pixelHeight) {
    FontSpec f = font_;
    f.pixelHeight = pixelHeight;
    setFont(f);
}

void Label::setFontColor(design::Rgb c) {
    FontSpec f = font_;
    f.color = c;
    setFont(f);
}

void Label::setUnderline(bool on) {
    FontSpec f = font_;
    f.underline = on;
    setFont(f);
}

void Label::setTransparent(bool on) {
    if (on == transparent_) return;
    transparent_ = on;
    // An opaque label paints every pixel, so what lies below need not be painted.
    widgetOf(*this).setOpaque(!on);
    widget()->update();
}

void Label::setColor(design::Rgb c) {
    if (c == color_) return;
    color_ = c;
    static_cast<ControlWidget*>(widget())->markDirty();
}

void Label::setAutoSize(bool on) {
    autoSize_ = on;
    if (on) adjustSize();
}

void Label::setAlignment(Alignment a) {
    alignment_ = a;
    widgetOf(*this).horizontal_ = a == Alignment::Left     ? Qt::AlignLeft
                                  : a == Alignment::Center ? Qt::AlignHCenter
                                                           : Qt::AlignRight;
    static_cast<ControlWidget*>(widget())->markDirty();
}

void Label::setCellWidth(double px) {
    px = std::max(0.0, px);
    if (px == cellWidth_) return;
    cellWidth_ = px;
    if (autoSize_) adjustSize();
    static_cast<ControlWidget*>(widget())->markDirty();
}

double Label::cellWidth() const {
    return gridColumns_ > 0 ? static_cast<double>(width()) / gridColumns_ : cellWidth_;
}

void Label::setGridColumns(int n) {
    n = std::max(0, n);
    if (n == gridColumns_) return;
    gridColumns_ = n;
    static_cast<ControlWidget*>(widget())->markDirty();
}

void Label::setCapTopAligned(bool on) {
    if (on == capTopAligned_) return;
    capTopAligned_ = on;
    static_cast<ControlWidget*>(widget())->markDirty();
}

std::string Label::shownText() const {
    std::string out;
    out.reserve(caption_.size());
    for (std::size_t i = 0; i < caption_.size(); ++i) {
        out += caption_[i];
        if (caption_[i] == '&' && i + 1 < caption_.size() && caption_[i + 1] == '&') ++i;
    }
    return out;
}

// Width follows the caption as drawn, height the font's line height times the
// number of lines. A right-aligned label keeps its right edge.
void Label::adjustSize() {
    const QFontMetrics fm(widgetOf(*this).labelFont());
    const QString text = LabelWidget::displayText(*this);
    const QStringList lines = text.split(QLatin1Char('\n'));
    int w = gridColumns_ > 0 ? width() : 0;  // a column grid keeps its width
    for (const QString& line : lines) {
        if (gridColumns_ > 0) break;
        const int lw = cellWidth_ > 0 ? static_cast<int>(std::ceil(cellWidth_ * static_cast<double>(line.size())))
                                      : fm.horizontalAdvance(line.isEmpty() ? QStringLiteral(" ") : line);
        w = std::max(w, lw);
    }
    const int h = fm.height() * static_cast<int>(lines.size());
    const design::Bounds b = bounds();
    const int left = alignment_ == Alignment::Right ? b.left + b.width - w : b.left;
    setBounds({left, b.top, w, h});
}

void Label::scaleBy(int num, int den) {
    Control::scaleBy(num, den);
    // Kept exact: 40 rounded cells would not fit the scaled width.
    cellWidth_ = cellWidth_ * num / den;
    setFontPixels(std::max(1, qtconv::mulDiv(font_.pixelHeight, num, den)));
}

}  // namespace vos
