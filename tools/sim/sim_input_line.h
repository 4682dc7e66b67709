#pragma once
// The simulated control's input line: a text of at most `capacity`
// characters with an edit cursor (0 = before the first character, size() =
// after the last) and an insert / overwrite mode. Every edit returns false,
// changing nothing, when it is not possible (the control then beeps).

#include <cstddef>
#include <string>

namespace vos::sim {

class InputLine {
public:
    explicit InputLine(size_t capacity) : capacity_(capacity) {}

    bool Type(char c);  // at the cursor, inserting or overwriting; cursor after it
    bool Left();
    bool Right();
    bool Backspace();  // erases the character before the cursor
    bool Delete();     // erases the character under the cursor
    void ToggleInsert() { insert_ = !insert_; }
    void Set(std::string text);  // replaces the text, cursor at its end
    std::string Take();          // returns the text and empties the line

    const std::string& text() const { return text_; }
    size_t cursor() const { return cursor_; }
    bool insert() const { return insert_; }
    size_t capacity() const { return capacity_; }

private:
    size_t capacity_;
    std::string text_;
    size_t cursor_ = 0;
    bool insert_ = true;
};

}  // namespace vos::sim
