#pragma once
// A small model of what the panel does with the control's bytes (screen
// with its wrapping cursor and per-row cursor marks, the lamp groups with
// the selector memories, beeps), so simulator tests can check what an
// operator would see rather than the bytes themselves.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vos::sim::test {

struct PanelModel {
    std::array<std::string, 12> lines;
    std::array<int, 12> mark{};  // column of the cursor mark on each row's strip, 0 = none
    int row = 0;
    int col = 0;
    bool visible = false;
    bool blink = false;
    bool insert = false;
    std::array<bool, 43> led{};
    uint8_t mem16 = 0;
    uint8_t mem32 = 6;
    int beeps = 0;

    PanelModel() { lines.fill(std::string(40, '#')); }  // whatever was shown before

    void Feed(std::string_view bytes) {
        for (char c : bytes) Byte(static_cast<uint8_t>(c));
    }

    int MarkedRows() const {
        int n = 0;
        for (int m : mark) n += m != 0;
        return n;
    }

private:
    static int Lamp32(uint8_t v) {
        if (v >= 1 && v <= 6) return 29 + v;
        if (v >= 10 && v <= 13) return 26 + v;
        return -1;
    }
    bool OnScreen() const { return row >= 1 && row <= 12; }
    void Show() {
        if (visible && OnScreen()) mark[row - 1] = col >= 1 && col <= 40 ? col : 0;
    }
    void Advance() {
        if (++col > 40) {
            col = 1;
            if (++row > 12) row = 1;
        }
    }
    void ClearEol() {
        if (!OnScreen()) return;
        for (int c = std::max(col, 1); c <= 40; ++c) lines[row - 1][c - 1] = ' ';
    }
    void ClearEos() {
        ClearEol();
        for (int r = 2; r <= 12; ++r)
            if (r > row) {
                lines[r - 1] = std::string(40, ' ');
                mark[r - 1] = 0;
            }
        row = col = 1;
        Show();
    }
    void Bits(uint8_t v, std::initializer_list<std::pair<int, int>> map) {
        for (auto [bit, lamp] : map) led[lamp] = (v >> bit) & 1;
    }
    void Lamps(uint8_t b) {
        const uint8_t v = b & 0x0F;
        switch (b & 0xF0) {
            case 0x10:
                if (v == mem16) return;
                led[v] = true;
                led[mem16] = false;
                mem16 = v;
                return;
            case 0x20:
                if (v == mem32) return;
                if (Lamp32(v) >= 0) led[Lamp32(v)] = true;
                if (Lamp32(mem32) >= 0) led[Lamp32(mem32)] = false;
                mem32 = v;
                return;
            case 0x30: Bits(v, {{0, 24}, {1, 29}}); return;  // lathe until configured
            case 0x40: Bits(v, {{0, 16}, {1, 17}, {2, 18}, {3, 19}}); return;
            case 0x50: Bits(v, {{0, 20}, {1, 21}, {2, 22}, {3, 23}}); return;
            case 0x60: Bits(v, {{3, 40}}); return;
            case 0x70: Bits(v, {{0, 41}, {2, 42}}); return;
        }
    }
    void Byte(uint8_t b) {
        if (b >= 0x10 && b <= 0x7F) return Lamps(b);
        if (b >= 0xA0) {
            if (OnScreen() && col >= 1 && col <= 40)
                lines[row - 1][col - 1] = b == 0xFF ? '\xB1' : static_cast<char>(b - 0x80);
            Advance();
            return Show();
        }
        switch (b) {
            case 0x80: ++beeps; break;
            case 0x82: insert = false; break;
            case 0x83:
            case 0x9C:
                row = col = 1;
                ClearEos();
                break;
            case 0x84:
                blink = visible = true;
                Show();
                break;
            case 0x85:
                blink = false;
                visible = true;
                Show();
                break;
            case 0x86:
                mark.fill(0);
                blink = true;
                visible = false;
                break;
            case 0x87: insert = true; break;
            case 0x88:
                Advance();
                Show();
                break;
            case 0x89:
                if (--col < 1) {
                    col = 40;
                    if (--row < 1) row = 12;
                }
                Show();
                break;
            case 0x8A:
                if (++row > 12) row = 1;
                Show();
                break;
            case 0x8B:
                if (--row < 1) row = 12;
                Show();
                break;
            case 0x8C:
                row = col = 1;
                Show();
                break;
            case 0x8D:
                col = 1;
                Show();
                break;
            case 0x8E:
                ClearEol();
                col = 1;
                if (++row > 12) row = 1;
                Show();
                break;
            case 0x8F: ClearEos(); break;
            default: break;
        }
    }
};

}  // namespace vos::sim::test
