#include "tools/sim/sim_input_line.h"

namespace vos::sim {

bool InputLine::Type(char c) {
    const bool overwrite = !insert_ && cursor_ < text_.size();
    if (!overwrite && text_.size() >= capacity_) return false;
    if (overwrite)
        text_[cursor_] = c;
    else
        text_.insert(cursor_, 1, c);
    ++cursor_;
    return true;
}

bool InputLine::Left() {
    if (cursor_ == 0) return false;
    --cursor_;
    return true;
}

bool InputLine::Right() {
    if (cursor_ >= text_.size()) return false;
    ++cursor_;
    return true;
}

bool InputLine::Backspace() {
    if (cursor_ == 0) return false;
    text_.erase(--cursor_, 1);
    return true;
}

bool InputLine::Delete() {
    if (cursor_ >= text_.size()) return false;
    text_.erase(cursor_, 1);
    return true;
}

void InputLine::Set(std::string text) {
    text_ = std::move(text);
    if (text_.size() > capacity_) text_.resize(capacity_);
    cursor_ = text_.size();
}

std::string InputLine::Take() {
    std::string t = std::move(text_);
    text_.clear();
    cursor_ = 0;
    return t;
}

}  // namespace vos::sim
