#pragma once
// Conversions between the control API's plain types (UTF-8 strings, Rgb,
// FontSpec, ShiftState) and Qt's. Private to platform/qt.
#include <QColor>
#include <QFont>
#include <QInputDevice>
#include <QMouseEvent>
#include <QString>
#include <Qt>
#include <string>

#include "platform/qt/control.h"
#include "platform/qt/font_faces.h"

namespace vos::qtconv {

inline QColor toQColor(design::Rgb c) { return QColor(c.r, c.g, c.b); }

inline design::Rgb fromQColor(const QColor& c) {
    return design::Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
               static_cast<std::uint8_t>(c.blue())};
}

inline QString toQString(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline std::string toStd(const QString& s) { return s.toUtf8().toStdString(); }

// pixelHeight is the character height in pixels (QFont pixel size). The
// face is followed by its metric-compatible stand-ins (font_faces.h).
inline QFont toQFont(const FontSpec& f) {
    QFont q(toQString(f.face));
    q.setFamilies(faceFamilies(toQString(f.face)));
    q.setPixelSize(f.pixelHeight > 0 ? f.pixelHeight : 1);
    q.setBold(f.bold);
    q.setUnderline(f.underline);
    return q;
}

inline ShiftState toShiftState(Qt::KeyboardModifiers m, Qt::MouseButtons b) {
    ShiftState s;
    s.shift = m.testFlag(Qt::ShiftModifier);
    s.ctrl = m.testFlag(Qt::ControlModifier);
    s.alt = m.testFlag(Qt::AltModifier);
    s.left = b.testFlag(Qt::LeftButton);
    s.right = b.testFlag(Qt::RightButton);
    s.middle = b.testFlag(Qt::MiddleButton);
    return s;
}

// The modifiers and buttons of a mouse event, and whether a finger made it
// (the touch input's presses come from the touchscreen).
inline ShiftState toShiftState(const QMouseEvent& e) {
    ShiftState s = toShiftState(e.modifiers(), e.buttons());
    s.touch = e.device() && e.device()->type() == QInputDevice::DeviceType::TouchScreen;
    return s;
}

// false for buttons the program has no name for (back/forward...).
inline bool toMouseButton(Qt::MouseButton b, MouseButton& out) {
    switch (b) {
    case Qt::LeftButton: out = MouseButton::Left; return true;
    case Qt::RightButton: out = MouseButton::Right; return true;
    case Qt::MiddleButton: out = MouseButton::Middle; return true;
    default: return false;
    }
}

// Integer scaling as the pixels-per-inch adaptation does it: rounded to nearest.
inline int mulDiv(int v, int num, int den) {
    if (den == 0) return v;
    long long p = static_cast<long long>(v) * num;
    long long h = den / 2;
    return static_cast<int>(p >= 0 ? (p + h) / den : (p - h) / den);
}

}  // namespace vos::qtconv
