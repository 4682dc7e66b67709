#pragma once
// Combo box, progress bar, push button and check box of the link controls and
// the port windows.
#include <vector>

#include "platform/qt/control.h"

namespace vos {

enum class ComboStyle { DropDownList, DropDown };  // DropDown: editable text

class ComboBox : public Control {
public:
    ComboBox(Form& owner, std::string name);

    void setStyle(ComboStyle s);
    // Sorted lists keep their items in alphabetical (byte) order; add()
    // inserts at the sorted place.
    void setSorted(bool on);
    void setFont(const FontSpec& f);
    void setColor(design::Rgb background);

    int add(const std::string& utf8);   // returns the index of the new item
    void remove(int index);
    void clear();
    int count() const;
    std::string item(int index) const;

    // -1 selects nothing; an index outside the list selects nothing.
    int itemIndex() const;
    void setItemIndex(int index);
    // Text of the edit field (DropDown) or of the selected item.
    std::string text() const;
    void setText(const std::string& utf8);

    // Raised when the user changes the selection (not by setItemIndex).
    std::function<void()> onChange;
};

class ProgressBar : public Control {
public:
    ProgressBar(Form& owner, std::string name);
    void setRange(int min, int max);
    int position() const;
    void setPosition(int pos);
    void setBarColor(design::Rgb c);
    void setBackgroundColor(design::Rgb c);
    design::Rgb barColor() const;
    design::Rgb backgroundColor() const;
};

class Button : public Control {
public:
    Button(Form& owner, std::string name);
    void setCaption(const std::string& utf8);   // "&" marks the mnemonic
    std::string caption() const;
    void setFont(const FontSpec& f);
};

class CheckBox : public Control {
public:
    CheckBox(Form& owner, std::string name);
    void setCaption(const std::string& utf8);
    bool checked() const;
    void setChecked(bool on);
};

}  // namespace vos
