#pragma once
// A control that paints itself through a callback (the serial status lights).
#include "platform/qt/control.h"

class QPainter;

namespace vos {

// Drawing surface handed to a paint callback, in the control's coordinates.
class Canvas {
public:
    // parentBackground: the color of the surface the control lies on.
    explicit Canvas(QPainter& p, design::Rgb parentBackground = design::colors::Black)
        : p_(p), parentBackground_(parentBackground) {}
    void fillRect(design::Bounds r, design::Rgb c);
    // One-pixel line from (x1,y1) to (x2,y2), the end point excluded.
    void line(int x1, int y1, int x2, int y2, design::Rgb c);
    // Copies the src rectangle of an image file's pixels to (x, y); pixels of
    // the color `transparent` are not copied.
    void drawImage(const class Bitmap& img, design::Bounds src, int x, int y, design::Rgb transparent);
    design::Rgb parentBackground() const { return parentBackground_; }

private:
    QPainter& p_;
    design::Rgb parentBackground_;
};

// A picture in memory (a light's optional glyph).
class Bitmap {
public:
    Bitmap();
    ~Bitmap();
    Bitmap(const Bitmap&);
    Bitmap& operator=(const Bitmap&);
    bool empty() const;
    int width() const;
    int height() const;
    design::Rgb pixel(int x, int y) const;
    void loadFromFile(const std::string& path);   // throws vos::Error
    static Bitmap filled(int w, int h, design::Rgb c);
    void setPixel(int x, int y, design::Rgb c);
    struct Impl;
    Impl* impl() const { return impl_; }

private:
    Impl* impl_;
};

class GraphicControl : public Control {
public:
    GraphicControl(Form& owner, std::string name);
    // Called on every repaint; asks for one with invalidate().
    std::function<void(Canvas&)> onPaint;
    void invalidate();
    // Renders the control alone into an image of its size (tests, checks).
    Bitmap render() const;
};

}  // namespace vos
