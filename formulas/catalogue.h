// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The built-in formula and filter catalogues: the lists of the fractal
// selection dialog, and the table other windows consult for a formula's Julia
// flag and parameter count. Both tables are constant.
//
// Names and formula texts are single-byte Windows-1252 text: "\xB0" is the
// degree sign that marks a starting value (Z° is the pixel) and "\x92" the
// right single quote. Convert with CatalogueTextToUtf8 before showing them.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr int kFormulaCatalogueSize = 91;
constexpr int kFilterCatalogueSize = 59;

// Longest name (formulas and filters) and longest formula text, in bytes.
constexpr std::size_t kCatalogueNameMax = 31;
constexpr std::size_t kFormulaTextMax = 130;

// Number of a separator row; its name is "-".
constexpr int32_t kSeparatorFormula = -1;

struct TFormulaEntry {
  int32_t Number;            // formula number the dispatcher switches on
  std::string_view Name;     // shown in the list
  float X, Y, W;             // default window: left edge, top edge, width
  int32_t ParamCount;        // complex parameters read: 0, 1 (P1) or 2 (P1, P2)
  bool JuliaAllowed;         // whether "View as &Julie" may be switched on
  std::string_view FormulaText;  // shown read-only in the selection dialog
};

struct TFilterEntry {
  int32_t Number;  // filter number, equal to the row index
  std::string_view Name;
};

// Rows in display order.
extern const std::array<TFormulaEntry, kFormulaCatalogueSize> FormulaCatalogue;
extern const std::array<TFilterEntry, kFilterCatalogueSize> FilterCatalogue;

// Row at list index 0..90, or nullptr for any other index.
const TFormulaEntry* FormulaRow(int index);

bool IsSeparatorRow(const TFormulaEntry& entry);

// List index of the first row serving formula number `number`, or -1 when no
// row does (41, 1000, 1001, 3000, and -1: separators are not formulas).
int FindFormulaRow(int32_t number);

// The row of FindFormulaRow, or nullptr when not found.
const TFormulaEntry* FindFormula(int32_t number);

// Whether Julia mode may be switched on for a document with this formula
// number: the user formula (3000) always, escape-time numbers below 500 by
// their row (not when no row matches), orbital formulas, the constructor and
// the IFS never.
bool FormulaJuliaAllowed(int32_t number);

// Parameters the formula's row declares; 0 when no row matches.
int32_t FormulaParamCount(int32_t number);

// Filter at drop-down index 0..58, or nullptr for any other index.
const TFilterEntry* FilterRow(int index);

// Converts a catalogue string (Windows-1252) to UTF-8.
std::string CatalogueTextToUtf8(std::string_view text);
