#pragma once
// The menu pages of the simulated control: which soft key shows which page,
// the page's short label on the soft-key row, its title and its fixed text.
// Pages marked dynamic get their body from the simulator's state instead.
//
// Screen layout of every page:
//   row 1      title
//   rows 3-9   body (7 rows)
//   row 10     input line: "> " then the text (columns 3-36), mode at 38-40
//   row 11     message line
//   row 12     soft-key labels, 4 columns per key (key k at columns 4k-3..4k)

#include <array>
#include <cstdint>
#include <string_view>

namespace vos::sim {

inline constexpr int kTitleRow = 1;
inline constexpr int kBodyFirstRow = 3;
inline constexpr int kBodyRows = 7;
inline constexpr int kInputRow = 10;
inline constexpr int kInputColumn = 3;  // first column of the text
inline constexpr int kInputCapacity = 34;
inline constexpr int kModeColumn = 38;
inline constexpr int kMessageRow = 11;
inline constexpr int kSoftKeyRow = 12;
inline constexpr int kSoftKeyWidth = 4;

enum class PageId : uint8_t { Home, Program, Lamps, Axes, LinkState };

struct PageDef {
    PageId id;
    int softKey;             // 1..10
    std::string_view label;  // at most 3 characters
    std::string_view title;
    std::array<std::string_view, kBodyRows> body;  // fixed text, if any
};

inline constexpr PageDef kPages[] = {
    {PageId::Home,
     1,
     "ACC",
     "SIMULATEUR DE COMMANDE - ACCUEIL",
     {"Commande simulee pour essayer le", "pupitre sans machine-outil.", "",
      "Touches sous l'ecran : pages", "Clavier : saisie en ligne 10",
      "Execute ou fleche bas : executer", "Touches machine : voyants"}},
    {PageId::Program, 2, "PRG", "PROGRAMME", {}},
    {PageId::Lamps, 3, "VOY", "VOYANTS", {}},
    {PageId::Axes,
     4,
     "AXE",
     "AXES",
     {"X      +0000.000   mm", "Y      +0000.000   mm", "Z      +0000.000   mm", "",
      "Avance F    0   Broche S    0", "Correcteur 100%", "Aucun mouvement : simulation"}},
    {PageId::LinkState, 5, "ETA", "ETAT DE LA LIAISON", {}},
};

// Soft key 10 redraws the whole screen (after the panel overwrote it).
inline constexpr int kRedrawSoftKey = 10;
inline constexpr std::string_view kRedrawLabel = "RAF";

}  // namespace vos::sim
