#pragma once
// What the simulator believes the panel's screen shows, and the shortest
// byte sequences that bring it to a wanted content.
//
// The panel cursor wraps (column 40 -> next row, row 12 -> row 1) and its
// mark is redrawn only on the row it is on, leaving a stale mark on a row it
// leaves. So every update that writes outside the row where the cursor ends,
// or wraps past column 40, is framed by "cursor off" (which blanks all marks)
// and "blinking cursor" again.
//
// Thread: one owner (the simulator loop); no shared state.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "tools/sim/sim_codes.h"

namespace vos::sim {

// 12 rows of exactly 40 characters (32..126).
using ScreenText = std::array<std::string, kRows>;

// A row of `text` cut or padded with blanks to 40 characters; characters
// outside 32..126 become '?'.
std::string FitRow(std::string_view text);
ScreenText BlankScreen();

class PanelScreen {
public:
    PanelScreen();

    // Appends to `out` what turns the shown screen into `want`, then puts a
    // blinking cursor at (row, column) (1-based).
    void Update(const ScreenText& want, int row, int column, std::string& out);

    // Clears the panel screen first, then writes all of `want`: used when a
    // panel (re)connects or its screen was overwritten behind our back.
    void Redraw(const ScreenText& want, int row, int column, std::string& out);

    const ScreenText& shown() const { return shown_; }

private:
    void Sync(const ScreenText& want, int row, int column, bool framed, std::string& out);
    void MoveTo(int row, int column, std::string& out);
    void Put(char c, std::string& out);

    ScreenText shown_;
    int row_ = 0;  // panel cursor; 0 = unknown
    int column_ = 0;
};

}  // namespace vos::sim
