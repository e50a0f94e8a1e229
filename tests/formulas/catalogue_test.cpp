// SPDX-License-Identifier: GPL-3.0-or-later
#include "formulas/catalogue.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <string_view>

namespace {

// The float nearest to a decimal as written, parsed independently of the
// compiler's reading of the table's literals.
float NearestFloat(const char* text) {
  float value = 0;
  const auto result = std::from_chars(text, text + std::strlen(text), value);
  EXPECT_EQ(result.ec, std::errc()) << text;
  return value;
}

const std::set<int> kSeparatorRows = {26, 29, 36, 47, 51, 61, 81};

TEST(FormulaCatalogue, SeparatorRowsAreExactlyWhereTheListPutsThem) {
  ASSERT_EQ(FormulaCatalogue.size(), 91u);
  for (int row = 0; row < kFormulaCatalogueSize; ++row) {
    const TFormulaEntry& e = FormulaCatalogue[row];
    SCOPED_TRACE(row);
    const bool separator = kSeparatorRows.count(row) != 0;
    EXPECT_EQ(IsSeparatorRow(e), separator);
    EXPECT_EQ(e.Number == -1, separator);
    EXPECT_EQ(e.Name == "-", separator);
    if (!separator) continue;
    EXPECT_EQ(e.X, NearestFloat("-2.4"));
    EXPECT_EQ(e.Y, NearestFloat("2.4"));
    EXPECT_EQ(e.W, NearestFloat("4.8"));
    EXPECT_EQ(e.ParamCount, 0);
    EXPECT_FALSE(e.JuliaAllowed);
    EXPECT_TRUE(e.FormulaText.empty());
  }
}

TEST(FormulaCatalogue, EveryFormulaNumberIsServedByTheDispatcherAndListedOnce) {
  std::map<int, int> seen;  // number -> occurrences
  for (const TFormulaEntry& e : FormulaCatalogue)
    if (!IsSeparatorRow(e)) ++seen[e.Number];

  std::set<int> expected;
  for (int n = 0; n <= 76; ++n)
    if (n != 41) expected.insert(n);  // kernel 41 is reachable only from a stored document
  for (int n = 500; n <= 508; ++n)
    if (n != 505) expected.insert(n);  // 505 is not assigned

  std::set<int> numbers;
  for (const auto& [number, count] : seen) {
    EXPECT_EQ(count, 1) << "number " << number;
    numbers.insert(number);
    const bool kernel = number >= 0 && number <= 76;
    const bool orbital = number >= 500 && number <= 508;
    EXPECT_TRUE(kernel || orbital) << "number " << number;
  }
  EXPECT_EQ(numbers, expected);
  EXPECT_EQ(seen.size(), 84u);
}

struct TRowCheck {
  int Row;
  int32_t Number;
  const char* Name;
  const char* X;
  const char* Y;
  const char* W;
  int32_t ParamCount;
  bool JuliaAllowed;
};

TEST(FormulaCatalogue, RowsMatchTheWrittenTable) {
  const TRowCheck checks[] = {
      {0, 0, "Classic Mandelbrot", "-2.2", "1.4", "2.8", 0, true},
      {3, 3, "Fifth Mandelbrot", "-1.1", "1", "2.2", 0, true},
      {5, 19, "Generalized Mandel", "-2.2", "2.2", "4.4", 1, true},
      {6, 17, "Super Mandel", "-5", "5", "10", 1, true},
      {10, 8, "Optimized 4", "-1.2", "0.8", "1.6", 0, true},
      {11, 34, "Mandel variation 1", "-2.4", "2.4", "4.8", 2, true},
      {16, 60, "Velqua 2-02", "-2.2", "2.2", "4.2", 0, true},
      {21, 44, "Dorvik #011", "-2.2", "2.2", "4.4", 0, false},
      {27, 62, "Morvel 1", "-2.1", "2.1", "4.2", 2, false},
      {30, 9, "Spider", "-2.2", "1.5", "3.2", 0, true},
      {33, 12, "Manowar", "-1.4", "1", "2", 0, true},
      {34, 20, "Quartic \"phoenix\"", "-3.5", "2.1", "4.2", 0, true},
      {35, 71, "\"Phoenix\" II", "-2.2", "2.2", "4.4", 0, true},
      {37, 14, "2nd Mandel/Newton", "-2", "4", "8", 0, true},
      {41, 68, "Twister Weed variat.", "-3.5", "3.5", "7", 2, true},
      {42, 74, "Newton variation", "-2.2", "2.2", "4.4", 1, true},
      {43, 24, "Newton variation", "-2.2", "2.2", "4.4", 0, true},
      {44, 73, "Newton variation", "-2.2", "2.2", "4.4", 0, true},
      {45, 76, "Newton variation", "-2.2", "2.2", "4.4", 1, true},
      {49, 25, "Nelmira variation", "-2.2", "2.2", "4.4", 1, true},
      {50, 26, "Nelmira variation", "-2.1", "2.1", "4.2", 1, true},
      {52, 18, "Julia PNS", "-2.2", "2.2", "4.4", 1, false},
      {60, 42, "XYaxis", "-2.5", "2.5", "5", 1, false},
      {77, 38, "Bessel 1", "-3", "3", "6", 0, true},
      {80, 13, "Tangent", "-2.1", "2.1", "4.2", 0, true},
      {82, 500, "Orbital: Hopalong 1", "-4", "4", "8", 2, true},
      {85, 503, "Orbital: Hopalong 4", "-100", "100", "200", 1, true},
      {86, 507, "Orbital: Hopalong 5", "-7", "7", "13", 1, true},
      {88, 504, "Orbital: Pickover", "-100", "100", "200", 1, true},
      {89, 506, "Orbital: Feather", "-10", "10", "20", 1, true},
      {90, 16, "--- Test ---", "-2.2", "2.2", "4.4", 2, true},
  };
  for (const TRowCheck& c : checks) {
    SCOPED_TRACE(c.Row);
    const TFormulaEntry* e = FormulaRow(c.Row);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Number, c.Number);
    EXPECT_EQ(e->Name, c.Name);
    EXPECT_EQ(e->X, NearestFloat(c.X));
    EXPECT_EQ(e->Y, NearestFloat(c.Y));
    EXPECT_EQ(e->W, NearestFloat(c.W));
    EXPECT_EQ(e->ParamCount, c.ParamCount);
    EXPECT_EQ(e->JuliaAllowed, c.JuliaAllowed);
  }
  // The window is held as a float: -2.2 is not the double -2.2.
  EXPECT_NE(double(FormulaCatalogue[0].X), -2.2);
  EXPECT_EQ(FormulaRow(-1), nullptr);
  EXPECT_EQ(FormulaRow(91), nullptr);
}

TEST(FormulaCatalogue, FormulaTextsKeepTheirSingleByteCharacters) {
  // Julia PNS: the two apostrophes are byte 0x92, not the UTF-8 sequence.
  const std::string_view pns = FormulaCatalogue[52].FormulaText;
  ASSERT_EQ(pns.size(), 20u);
  EXPECT_EQ(pns.substr(0, 10), "Z=Conj(-(Z");
  EXPECT_EQ(static_cast<unsigned char>(pns[10]), 0x92);
  EXPECT_EQ(pns[11], '*');
  EXPECT_EQ(pns[12], 'Z');
  EXPECT_EQ(static_cast<unsigned char>(pns[13]), 0x92);
  EXPECT_EQ(pns.substr(14), ") + P1");

  // "C°=Z°: ..." with the degree sign as the single byte 0xB0.
  const std::string_view mv2 = FormulaCatalogue[12].FormulaText;
  ASSERT_EQ(mv2.size(), 23u);
  EXPECT_EQ(static_cast<unsigned char>(mv2[1]), 0xB0);
  EXPECT_EQ(static_cast<unsigned char>(mv2[4]), 0xB0);

  // Texts taken byte for byte, doubled blanks and stray quotes included.
  EXPECT_EQ(FormulaCatalogue[16].FormulaText, "A=3*Z\xB0*Z\xB0:  Z=Z*Z*Z - A*Z + C");
  EXPECT_EQ(FormulaCatalogue[30].FormulaText, "Z=C\xB0=Z\xB0: Z=Z*Z+C+Julie; C=C/2+Z\"");
  EXPECT_EQ(FormulaCatalogue[24].FormulaText, "Z = Sin(C/Sin(Z))  (Good with Julie)");
  EXPECT_EQ(FormulaCatalogue[82].FormulaText, "Orbital.");
  EXPECT_EQ(FormulaCatalogue[90].FormulaText, "?");

  // Across the table the only bytes above 127 are 70 degree signs and the two
  // apostrophes of Julia PNS; the filter names hold 12 degree signs.
  int degrees = 0, quotes = 0, others = 0;
  auto count = [&](std::string_view s) {
    for (const char ch : s) {
      const unsigned char b = static_cast<unsigned char>(ch);
      if (b == 0xB0) ++degrees;
      else if (b == 0x92) ++quotes;
      else if (b > 127) ++others;
    }
  };
  for (const TFormulaEntry& e : FormulaCatalogue) {
    count(e.Name);
    count(e.FormulaText);
  }
  EXPECT_EQ(degrees, 70);
  EXPECT_EQ(quotes, 2);
  EXPECT_EQ(others, 0);
  degrees = quotes = others = 0;
  for (const TFilterEntry& f : FilterCatalogue) count(f.Name);
  EXPECT_EQ(degrees, 12);
  EXPECT_EQ(quotes, 0);
  EXPECT_EQ(others, 0);
}

TEST(FormulaCatalogue, StringsFitTheirShortStrings) {
  for (const TFormulaEntry& e : FormulaCatalogue) {
    EXPECT_FALSE(e.Name.empty());
    EXPECT_LE(e.Name.size(), 31u) << e.Name;
    EXPECT_LE(e.FormulaText.size(), 130u) << e.Name;
  }
  for (const TFilterEntry& f : FilterCatalogue) {
    EXPECT_FALSE(f.Name.empty());
    EXPECT_LE(f.Name.size(), 31u) << f.Name;
  }
  EXPECT_EQ(FilterCatalogue[54].Name.size(), 31u);  // the longest name uses every byte
}

TEST(FormulaCatalogue, LookupByNumberFindsTheFirstRowOrReportsNotFound) {
  const struct {
    int32_t Number;
    int Row;
  } cases[] = {
      {0, 0},    {19, 5},  {74, 42}, {24, 43}, {73, 44}, {76, 45}, {25, 49},  {26, 50},
      {18, 52},  {16, 90}, {9, 30},  {500, 82}, {507, 86}, {506, 89}, {508, 87},
      // No row: kernel 41, unassigned 505, the formulas outside the catalogue,
      // and the separator mark.
      {41, -1},  {505, -1}, {1000, -1}, {1001, -1}, {2000, -1}, {3000, -1}, {77, -1},
      {-1, -1},  {-2, -1},  {10000, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Number);
    EXPECT_EQ(FindFormulaRow(c.Number), c.Row);
    const TFormulaEntry* e = FindFormula(c.Number);
    if (c.Row < 0) {
      EXPECT_EQ(e, nullptr);
    } else {
      ASSERT_EQ(e, &FormulaCatalogue[c.Row]);
      EXPECT_EQ(e->Number, c.Number);
    }
  }
}

TEST(FormulaCatalogue, JuliaRuleAndParameterCountByNumber) {
  const struct {
    int32_t Number;
    bool Julia;
    int32_t Params;
  } cases[] = {
      {0, true, 0},      {19, true, 1},     {34, true, 2},     {16, true, 2},
      // The rows that forbid Julia mode are the kernels that ignore it.
      {11, false, 0},    {18, false, 1},    {42, false, 1},    {44, false, 0},    {62, false, 2},
      {41, false, 0},    {77, false, 0},    {499, false, 0},   {-1, false, 0},    {-100, false, 0},
      // Orbital rows allow Julia in the dialog (the seed), yet callers deciding
      // Julia mode by number never allow it from 500 on.
      {500, false, 2},   {503, false, 1},   {506, false, 1},   {505, false, 0},
      {1000, false, 0},  {1001, false, 0},  {2000, false, 0},  {10000, false, 0},
      {3000, true, 0},   {3001, false, 0},  {INT32_MIN, false, 0}, {INT32_MAX, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Number);
    EXPECT_EQ(FormulaJuliaAllowed(c.Number), c.Julia);
    EXPECT_EQ(FormulaParamCount(c.Number), c.Params);
  }
  std::set<int> juliaForbidden;
  for (const TFormulaEntry& e : FormulaCatalogue)
    if (!IsSeparatorRow(e) && !e.JuliaAllowed) juliaForbidden.insert(e.Number);
  EXPECT_EQ(juliaForbidden, (std::set<int>{11, 18, 42, 44, 62}));
}

TEST(FilterCatalogue, NamesByIndex) {
  ASSERT_EQ(FilterCatalogue.size(), 59u);
  for (int i = 0; i < kFilterCatalogueSize; ++i) {
    ASSERT_NE(FilterRow(i), nullptr);
    EXPECT_EQ(FilterRow(i)->Number, i);
  }
  EXPECT_EQ(FilterRow(-1), nullptr);
  EXPECT_EQ(FilterRow(59), nullptr);

  const struct {
    int Index;
    const char* Name;
  } cases[] = {
      {0, "None (default)"},
      {3, "Abs( Z ) - Bubbles"},
      {6, "Abs( X*Y  )"},
      {8, "Abs( X*X\xB0 )"},
      {11, "Abs( X*X\xB0 ) & Abs( Y*Y\xB0 ) & |Z|"},
      {17, "Abs( X - Y ) & |Z|"},
      {21, "( X*X ) &  |Z|"},
      {34, "Max( Abs( Y-Y\xB0 ) )"},
      {39, "[X*X / Y*Y] & [Y*Y / X*X] & |Z|"},
      {40, "[X*X*X +- Y*Y*Y] & |Z|"},
      {41, "[X*X*X +- Y*Y*Y] & |Z|"},
      {42, "Dual Bubbles"},
      {54, "Trip/Dim 3Tentacles, XY dispers"},
      {55, "Dim 3Tentacle, X~Y-dev"},
      {58, "Dim 3Tentacles, XY dispers"},
  };
  for (const auto& c : cases) EXPECT_EQ(FilterRow(c.Index)->Name, c.Name) << c.Index;

  // 40 and 41 are the only two filters that share a name.
  std::map<std::string_view, int> names;
  for (const TFilterEntry& f : FilterCatalogue) ++names[f.Name];
  EXPECT_EQ(names.size(), 58u);
  EXPECT_EQ(names[FilterCatalogue[40].Name], 2);
}

TEST(CatalogueText, ConvertsWindows1252ToUtf8) {
  const struct {
    std::string_view In;
    std::string_view Out;
  } cases[] = {
      {"", ""},
      {"Classic Mandelbrot", "Classic Mandelbrot"},
      {"\xB0", "\xC2\xB0"},
      {"\x92", "\xE2\x80\x99"},
      {"\x80", "\xE2\x82\xAC"},      // euro sign
      {"\x9F", "\xC5\xB8"},          // Y with diaeresis
      {"\x81", "\xC2\x81"},          // unassigned: kept as the control character
      {"\xA0", "\xC2\xA0"},
      {"\xE9", "\xC3\xA9"},
      {"\xFF", "\xC3\xBF"},
      {"\x7F", "\x7F"},
      {std::string_view("a\0b", 3), std::string_view("a\0b", 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(CatalogueTextToUtf8(c.In), c.Out);

  // What the windows show, typed here as UTF-8.
  EXPECT_EQ(CatalogueTextToUtf8(FormulaCatalogue[52].FormulaText), "Z=Conj(-(Z’*Z’) + P1");
  EXPECT_EQ(CatalogueTextToUtf8(FormulaCatalogue[12].FormulaText), "C°=Z°: Z=Z*Z-C; C=C*C-Z");
  EXPECT_EQ(CatalogueTextToUtf8(FormulaCatalogue[15].FormulaText), "C°=Z°; Z1°=0: Z=Z*Z+Z1; Z1=C-Z; C=C*P1");
  EXPECT_EQ(CatalogueTextToUtf8(FilterCatalogue[10].Name), "Abs( X*X° ) & Abs( Y*Y° )");
  EXPECT_EQ(CatalogueTextToUtf8(FormulaCatalogue[0].Name), "Classic Mandelbrot");
}

}  // namespace
