#pragma once
// A picture control (the skin). Drawn unscaled at its top-left corner. When
// disabled, presses on it fall through to the form's own mouse handlers.
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
    // shown is then left as it was.
    void loadFromFile(const std::string& path);

    // Shows the design-time picture compiled into the program.
    void loadDesignPicture();

    // Path of the last file loaded, empty for the design picture.
    const std::string& fileName() const { return fileName_; }

    // Colour of the pixel at (x, y) of the picture shown, for checks.
    Rgb pixel(int x, int y) const;

private:
    std::string fileName_;
};

}  // namespace vos
