#include "tools/sim/sim_screen.h"

#include <cstdlib>
#include <vector>

namespace vos::sim {
namespace {

struct Span {
    int row;
    int first;  // 0-based columns, inclusive
    int last;
};

std::vector<Span> Differences(const ScreenText& shown, const ScreenText& want) {
    std::vector<Span> spans;
    for (int r = 0; r < kRows; ++r) {
        int first = -1;
        int last = -1;
        for (int c = 0; c < kColumns; ++c) {
            if (shown[r][c] == want[r][c]) continue;
            if (first < 0) first = c;
            last = c;
        }
        if (first >= 0) spans.push_back({r + 1, first, last});
    }
    return spans;
}

}  // namespace

std::string FitRow(std::string_view text) {
    std::string row(kColumns, ' ');
    for (size_t i = 0; i < text.size() && i < row.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        row[i] = c >= 32 && c <= 126 ? static_cast<char>(c) : '?';
    }
    return row;
}

ScreenText BlankScreen() {
    ScreenText s;
    s.fill(std::string(kColumns, ' '));
    return s;
}

PanelScreen::PanelScreen() : shown_(BlankScreen()) {}

void PanelScreen::Put(char c, std::string& out) {
    out.push_back(static_cast<char>(static_cast<uint8_t>(c) | out::kCharBit));
    shown_[row_ - 1][column_ - 1] = c;
    if (++column_ > kColumns) {
        column_ = 1;
        row_ = row_ % kRows + 1;
    }
}

void PanelScreen::MoveTo(int row, int column, std::string& out) {
    if (row_ == 0) {
        out.push_back(static_cast<char>(out::kHome));
        row_ = column_ = 1;
    }
    const int down = (row - row_ + kRows) % kRows;
    if (down <= kRows / 2)
        out.append(down, static_cast<char>(out::kDown));
    else
        out.append(kRows - down, static_cast<char>(out::kUp));
    row_ = row;
    const int step = column - column_;
    if (std::abs(step) <= column) {
        out.append(std::abs(step), static_cast<char>(step > 0 ? out::kRight : out::kLeft));
    } else {
        out.push_back(static_cast<char>(out::kLineStart));
        out.append(column - 1, static_cast<char>(out::kRight));
    }
    column_ = column;
}

void PanelScreen::Update(const ScreenText& want, int row, int column, std::string& out) {
    Sync(want, row, column, false, out);
}

void PanelScreen::Sync(const ScreenText& want, int row, int column, bool framed, std::string& out) {
    const std::vector<Span> spans = Differences(shown_, want);
    framed = framed || row_ != row;
    for (const Span& s : spans) framed = framed || s.row != row || s.last == kColumns - 1;
    if (framed) out.push_back(static_cast<char>(out::kCursorOff));
    for (const Span& s : spans) {
        MoveTo(s.row, s.first + 1, out);
        for (int c = s.first; c <= s.last; ++c) Put(want[s.row - 1][c], out);
    }
    MoveTo(row, column, out);
    if (framed) out.push_back(static_cast<char>(out::kCursorBlink));
}

void PanelScreen::Redraw(const ScreenText& want, int row, int column, std::string& out) {
    out.push_back(static_cast<char>(out::kClearScreen));
    shown_ = BlankScreen();
    row_ = column_ = 1;
    Sync(want, row, column, true, out);
}

}  // namespace vos::sim
