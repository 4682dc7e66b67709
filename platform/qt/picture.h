#pragma once
// A picture control (the skin). Drawn at its top-left corner, at the scale
// its control was given (scaleBy): one picture pixel per design pixel, so a
// picture drawn for the design window lines up with the controls laid over
// it at any pixels-per-inch scaling. When disabled, presses on it fall
// through to the form's own mouse handlers.
//
// Sharp drawing: where the picture is shown larger than its own pixels on
// the screen (device pixel ratio times scale above 1), a file of twice its
// size beside it, named with "@2x" before the extension ("num760f@2x.jpg"),
// is drawn instead when there is one; it is read only then.
#include "platform/qt/control.h"

namespace vos {

class Picture : public Control {
public:
    Picture(Form& owner, std::string name);

    // Loads a picture file; the format follows the extension (".jpg"/".jpeg",
    // case-insensitive, decoded with libjpeg; ".bmp"/".png" through Qt).
    // When no file has exactly that name, one whose name differs only in
    // letter case is taken (configured picture names ignore case).
    // Throws vos::Error with a French message naming the file when the file
    // is missing, unreadable, damaged or of an unknown extension; the picture
    // shown is then left as it was. A missing or unusable "@2x" file is not
    // an error: the picture itself is drawn.
    void loadFromFile(const std::string& path);

    // Shows the design-time picture compiled into the program.
    void loadDesignPicture();

    // Path of the last file loaded, empty for the design picture.
    const std::string& fileName() const { return fileName_; }

    // Color of the pixel at (x, y) of the picture shown (its own pixels,
    // whatever the scale), for checks.
    design::Rgb pixel(int x, int y) const;

    // Whether the picture is drawn from its "@2x" file now (for checks).
    bool drawsSharp() const;

    void scaleBy(int num, int den) override;

private:
    std::string fileName_;
};

}  // namespace vos
