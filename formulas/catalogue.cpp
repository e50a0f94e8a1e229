// SPDX-License-Identifier: GPL-3.0-or-later
#include "formulas/catalogue.h"

#include "formulas/formula_context.h"
#include "formulas/orbital_steps.h"

// Row order is the display order of the selection dialog and has nothing to do
// with the formula numbers. The trailing comment of each row is its list index.
constexpr std::array<TFormulaEntry, kFormulaCatalogueSize> FormulaCatalogue{{
    {0, "Classic Mandelbrot", -2.2f, 1.4f, 2.8f, 0, true, "Z=Z*Z + C"},  // 0
    {1, "Cubed Mandelbrot", -1.6f, 1.6f, 3.2f, 0, true, "Z=Z^3 + C"},  // 1
    {2, "Fourth Mandelbrot", -1.6f, 1.6f, 3.2f, 0, true, "Z=Z^4 + C"},  // 2
    {3, "Fifth Mandelbrot", -1.1f, 1.0f, 2.2f, 0, true, "Z=Z^5 + C"},  // 3
    {4, "Eighth Mandelbrot", -1.2f, 1.1f, 2.4f, 0, true, "Z=Z^8 + C"},  // 4
    {19, "Generalized Mandel", -2.2f, 2.2f, 4.4f, 1, true, "Z=Z^P1 + C"},  // 5
    {17, "Super Mandel", -5.0f, 5.0f, 10.0f, 1, true, "Z=Z*Z + C + P1"},  // 6
    {5, "Optimized 1", -1.8f, 1.4f, 2.8f, 0, true, "Z=Z*Z*Z + Z*Z + C"},  // 7
    {6, "Optimized 2", -1.8f, 1.4f, 2.8f, 0, true, "Z=Z*Z*Z + Z*Z + 2*Z + C"},  // 8
    {7, "Optimized 3", -2.2f, 1.4f, 2.8f, 0, true, "Z=Z*Z+ Z+ C"},  // 9
    {8, "Optimized 4", -1.2f, 0.8f, 1.6f, 0, true, "Z=Z*Z+ 2*C"},  // 10
    {34, "Mandel variation 1", -2.4f, 2.4f, 4.8f, 2, true, "Z=Z*Z*P2-Z*P1-C"},  // 11
    {39, "Mandel variation 2", -2.2f, 2.2f, 4.4f, 0, true, "C\xB0=Z\xB0: Z=Z*Z-C; C=C*C-Z"},  // 12
    {40, "Mandel variation 3", -2.2f, 2.2f, 4.4f, 0, true, "C\xB0=Z\xB0: Z=Z*Z*Z-C; C=C*C*C-Z"},  // 13
    {46, "Mandel variation 4", -2.4f, 2.4f, 4.8f, 1, true, "C\xB0=Z\xB0: Z=Z*Z+C; C=C*P1+Z"},  // 14
    {48, "Mandel variation 5", -2.4f, 2.4f, 4.8f, 1, true, "C\xB0=Z\xB0; Z1\xB0=0: Z=Z*Z+Z1; Z1=C-Z; C=C*P1"},  // 15
    {60, "Velqua 2-02", -2.2f, 2.2f, 4.2f, 0, true, "A=3*Z\xB0*Z\xB0:  Z=Z*Z*Z - A*Z + C"},  // 16
    {58, "Four", -2.4f, 2.4f, 4.8f, 0, true, "t=Z; Z=Z^3-C; C=t"},  // 17
    {47, "Cube Mandel variation", -2.4f, 2.4f, 4.8f, 1, true, "C\xB0=Z\xB0: Z=Z*Z*Z+C; C=C*P1+Z"},  // 18
    {35, "Flipped Mandelbrot", -2.4f, 2.4f, 4.8f, 0, true, "C\xB0=Z\xB0: Z=Z*Z+C; C=Flip(C); Good look with jul+filters"},  // 19
    {43, "Dorvik #002", -2.2f, 2.2f, 4.4f, 0, true, "C\xB0=Sin(Z\xB0): Z=Z*Z+C; Z=Z*Z/C"},  // 20
    {44, "Dorvik #011", -2.2f, 2.2f, 4.4f, 0, false, "C =Z\xB0*Z\xB0/Z+Z;  Z=(Z\xB0*C)^2"},  // 21
    {53, "Dorvik #104 (var)", -2.2f, 2.2f, 4.4f, 2, true, "Z\xB0=P1/Z\xB0, X=Sin(C\xB0): Z=(Z*Z+X)*P2/X"},  // 22
    {54, "Dorvik #105a", -2.2f, 2.2f, 4.4f, 0, true, "Z = Sin(C/Sinh(Z)) (Good with Julie)"},  // 23
    {55, "Dorvik #105b", -2.2f, 2.2f, 4.4f, 0, true, "Z = Sin(C/Sin(Z))  (Good with Julie)"},  // 24
    {56, "Dorvik #105c", -2.2f, 2.2f, 4.4f, 0, true, "Z = Sin(C/Conj(Z)) (Good with Julie)"},  // 25
    {-1, "-", -2.4f, 2.4f, 4.8f, 0, false, ""},  // 26
    {62, "Morvel 1", -2.1f, 2.1f, 4.2f, 2, false, "x=Z.r; y=Z.i; Z.r=P1.r*6*x*y*y-x*x*x+P1.r+0.6; Z.i=y*y*y-P2.i*6*x*x*y+P1.i-0.5"},  // 27
    {63, "Ulvenka4BIO", -2.2f, 2.2f, 4.4f, 1, true, "Z=Z*Z*Z*Z*(C-P1) - C"},  // 28
    {-1, "-", -2.4f, 2.4f, 4.8f, 0, false, ""},  // 29
    {9, "Spider", -2.2f, 1.5f, 3.2f, 0, true, "Z=C\xB0=Z\xB0: Z=Z*Z+C+Julie; C=C/2+Z\""},  // 30
    {10, "BarnsleyM1", -2.1f, 2.1f, 4.2f, 0, true, "Z=Z\xB0: Z=(Z-Sign(real(Z))*Z\xB0"},  // 31
    {11, "Sierpinski", -2.1f, 2.1f, 4.2f, 0, false, "Z=Y>.5:(2*X,2*Y-1); X>.5:(2*X-1,2*Y); (2*X,2*Y)"},  // 32
    {12, "Manowar", -1.4f, 1.0f, 2.0f, 0, true, "Z1=Z=Z\xB0: Z=Z*Z+Z1+Z\xB0; Z1=Z"},  // 33
    {20, "Quartic \"phoenix\"", -3.5f, 2.1f, 4.2f, 0, true, "Y\xB0=0: Z=Z*Z+0.5Z+Z\xB0; X=Z*Z+0.5Y+Z\xB0; Y=Z; Z=X"},  // 34
    {71, "\"Phoenix\" II", -2.2f, 2.2f, 4.4f, 0, true, "z2=0: z1=Z;  Z=Z*Z+real.Z\xB0+imag.Z\xB0*z2; z2=z1;"},  // 35
    {-1, "-", -2.4f, 2.4f, 4.8f, 0, false, ""},  // 36
    {14, "2nd Mandel/Newton", -2.0f, 4.0f, 8.0f, 0, true, "Z=Z-((Z*Z-Z)/(2*Z-1))+Z\xB0"},  // 37
    {15, "3nd Mandel/Newton", -3.5f, 3.5f, 7.0f, 0, true, "Z=Z-((Z^3-Z)/(3*Z*Z-1))+Z\xB0"},  // 38
    {69, "4nd Mandel/Newton", -3.5f, 3.5f, 7.0f, 0, true, "Z=Z-((Z^4-Z)/(4*Z*Z*Z-1))+Z\xB0"},  // 39
    {70, "5nd Mandel/Newton var", -3.5f, 3.5f, 7.0f, 0, true, "Z=Z-((Z^5+Z^4*Z\xB0-Sin(Z))/(5*Z^4+4*Z^3*Z\xB0-Cos(Z)))"},  // 40
    {68, "Twister Weed variat.", -3.5f, 3.5f, 7.0f, 2, true, "Z=Z-Exp(Z*P2)*((Z*Z*Z-P1)/(3*Z*Z))+Z\xB0"},  // 41
    {74, "Newton variation", -2.2f, 2.2f, 4.4f, 1, true, "Z=Z-(Z*Z*Z*Z-Z*P1)/(4*Z*Z*Z-Z*Z-P1)+Z\xB0"},  // 42
    {24, "Newton variation", -2.2f, 2.2f, 4.4f, 0, true, "Z=Z-(Z*Z*Z*Z\xB0-Z*Z\xB0-1)/(3*Z*Z*Z\xB0)"},  // 43
    {73, "Newton variation", -2.2f, 2.2f, 4.4f, 0, true, "Z=(Z-(Z*Z*Z-1)/(3*Z*Z))^3*Z\xB0"},  // 44
    {76, "Newton variation", -2.2f, 2.2f, 4.4f, 1, true, "Z=Z-(Z*Z*Z+Z*Z-Z+Z\xB0)/(3*Z*Z+2*Z-P1)+Z\xB0"},  // 45
    {57, "Newton var by Tolbeck", -2.2f, 2.2f, 4.4f, 1, true, "Z1=Z*Z*Z-1; Z2=3*Z*Z; Z=Z-(P1*Z1/Z2)+C"},  // 46
    {-1, "-", -2.4f, 2.4f, 4.8f, 0, false, ""},  // 47
    {23, "Nelmira 14", -2.1f, 2.1f, 4.2f, 0, true, "Z=(Sin(Z*Z)*Z/2)^2+Z\xB0"},  // 48
    {25, "Nelmira variation", -2.2f, 2.2f, 4.4f, 1, true, "Z=(Z*Z/P1 + Z\xB0)^2;   For P1=(2,0) - Nelmira Space probe"},  // 49
    {26, "Nelmira variation", -2.1f, 2.1f, 4.2f, 1, true, "Z=Sin((Z+(Z*Z)/P1.real)) + Z\xB0;   For P1.real=.192 - Nelmira Butterfly"},  // 50
    {-1, "-", -2.4f, 2.4f, 4.8f, 0, false, ""},  // 51
    {18, "Julia PNS", -2.2f, 2.2f, 4.4f, 1, false, "Z=Conj(-(Z\x92*Z\x92) + P1"},  // 52
    {21, "Talis", -2.1f, 2.1f, 4.2f, 1, true, "Z=(Z*Z)/(P1+Z)+C"},  // 53
    {66, "Talis variation 1", -2.2f, 2.2f, 4.4f, 2, true, "Z=(Z*Z-Z+P1)/(Z+P2)+C"},  // 54
    {64, "Talis variation 2", -2.2f, 2.2f, 4.4f, 2, true, "Z=(Z*Z*Z+P1)/(Z*Z+P2)+C"},  // 55
    {65, "Talis variation 3", -2.2f, 2.2f, 4.4f, 2, true, "Z=(Z*Z*Z*Z+P1)/(Z*Z-Z+P2)+C"},  // 56
    {67, "Mandel/Talis", -2.2f, 2.2f, 4.4f, 1, true, "Z=Z*Z+C; C=(C*C)/(C+P1)+Z"},  // 57
    {36, "Ajax: the Final Effort", -2.4f, 2.4f, 4.8f, 1, true, "Z\xB0=C\xB0=2/pixel: Z=Z^real(P1)*C^imag(P1)+C"},  // 58
    {37, "Alt: xaxis", -2.4f, 2.4f, 4.8f, 1, true, "C\xB0=Z\xB0: Z=Z*Z+C; C=C+P1/Z;"},  // 59
    {42, "XYaxis", -2.5f, 2.5f, 5.0f, 1, false, "Z1=Z\xB0, Z2=P1: Z3=Z1; Z1=Z1*Z+Z2; Z2=Z; Z=T"},  // 60
    {-1, "-", -2.4f, 2.4f, 4.8f, 0, false, ""},  // 61
    {22, "Sinus and Cosinus", -2.2f, 2.2f, 4.4f, 0, true, "Z=Sin(Z)*Cos(Z\xB0)"},  // 62
    {27, "Polinomial: Sin(Z)*C", -2.2f, 2.2f, 4.4f, 1, true, "Z=Sin(Z*P1)* Z\xB0"},  // 63
    {72, "Polinomial: Cos(Z)*C", -2.2f, 2.2f, 4.4f, 1, true, "Z=Cos(Z*P1)* Z\xB0"},  // 64
    {75, "Cos(Z)/(Z*Z)+1/C", -2.2f, 2.2f, 4.4f, 0, true, "Cos(Z)/(Z*Z)+1/Z\xB0"},  // 65
    {29, "Polinomial: Sin(Z*Z)*C", -2.2f, 2.2f, 4.4f, 0, true, "Z=Sin(Z*Z)* Z\xB0"},  // 66
    {28, "Polinomial: Sin(Z*C)", -2.2f, 2.2f, 4.4f, 1, true, "Z=Sin(Z*Z\xB0*P1)"},  // 67
    {30, "Polinomial: C*(Z*Z+P1)", -2.2f, 2.2f, 4.4f, 1, true, "Z=(Z*Z+P1)*Z\xB0"},  // 68
    {31, "P: C*(Z*Z*Sin(Z*Z)+P1)", -2.2f, 2.2f, 4.4f, 1, true, "Z=(Z*Z*Sin(Z*Z)+P1)*Z\xB0"},  // 69
    {33, "Polinomial set 1", -2.2f, 2.2f, 4.4f, 1, true, "C\xB0=Z\xB0: Z=(1-C)*sqr(Z)+(C*Z^3); C=C+P1"},  // 70
    {45, "Polinomial set 2", -2.2f, 2.2f, 4.4f, 1, true, "Z=Log(real(P1)*Z\xB0*Z) + Z"},  // 71
    {32, "Polinomial set 3", -2.4f, 2.4f, 4.8f, 0, true, "C\xB0=Z\xB0: Z2=Z; Z=Sin(Z)-C; C=2/(100*Z2)"},  // 72
    {59, "Polinomial set 4", -2.1f, 2.1f, 4.2f, 0, true, "Z=(cabs(Z)/Z^4) - Z + C"},  // 73
    {49, "Cosh(inv/Z)", -2.2f, 2.2f, 4.4f, 1, true, "inv=1/pixel+p1:  Z=Cosh(inv/Z)+C"},  // 74
    {51, "CubicFN by Ostravel", -2.2f, 2.2f, 4.4f, 2, true, "Z=Sin((Z-1)*(Z-1)*(Z+1)) - C*P1 + P2"},  // 75
    {52, "Curfew variation", -2.2f, 2.2f, 4.4f, 1, true, "Z=Z + C + P1;  Z=Z * Sin((1/C)/(1/Z))"},  // 76
    {38, "Bessel 1", -3.0f, 3.0f, 6.0f, 0, true, "Z=Sin(Z) / Z * Z\xB0"},  // 77
    {61, "Guiatr 1", -4.0f, 4.0f, 8.0f, 0, true, "Z=Log(Z) / Sin(Z) + C"},  // 78
    {50, "Crentura variation", -2.2f, 2.2f, 4.4f, 2, true, "Z=C/(Z*Z)+ C + P1; Z=(Sin(Z)+P2) * Z"},  // 79
    {13, "Tangent", -2.1f, 2.1f, 4.2f, 0, true, "Z=Z*tan(Z)+Z\xB0"},  // 80
    {-1, "-", -2.4f, 2.4f, 4.8f, 0, false, ""},  // 81
    {500, "Orbital: Hopalong 1", -4.0f, 4.0f, 8.0f, 2, true, "Orbital."},  // 82
    {501, "Orbital: Hopalong 2", -4.0f, 4.0f, 8.0f, 2, true, "Orbital."},  // 83
    {502, "Orbital: Hopalong 3", -4.0f, 4.0f, 8.0f, 2, true, "Orbital."},  // 84
    {503, "Orbital: Hopalong 4", -100.0f, 100.0f, 200.0f, 1, true, "Orbital."},  // 85
    {507, "Orbital: Hopalong 5", -7.0f, 7.0f, 13.0f, 1, true, "Orbital."},  // 86
    {508, "Orbital: Hopalong 6", -100.0f, 100.0f, 200.0f, 2, true, "Orbital."},  // 87
    {504, "Orbital: Pickover", -100.0f, 100.0f, 200.0f, 1, true, "Orbital."},  // 88
    {506, "Orbital: Feather", -10.0f, 10.0f, 20.0f, 1, true, "Orbital."},  // 89
    {16, "--- Test ---", -2.2f, 2.2f, 4.4f, 2, true, "?"},  // 90
}};

constexpr std::array<TFilterEntry, kFilterCatalogueSize> FilterCatalogue{{
    {0, "None (default)"},
    {1, "Abs( X )"},
    {2, "Abs( Y )"},
    {3, "Abs( Z ) - Bubbles"},
    {4, "Abs( X ) & Abs( Y)"},
    {5, "Abs( X ) & Abs( Y) & |Z|"},
    {6, "Abs( X*Y  )"},
    {7, "Abs( X*Y  ) &  |Z|"},
    {8, "Abs( X*X\xB0 )"},
    {9, "Abs( Y*Y\xB0 )"},
    {10, "Abs( X*X\xB0 ) & Abs( Y*Y\xB0 )"},
    {11, "Abs( X*X\xB0 ) & Abs( Y*Y\xB0 ) & |Z|"},
    {12, "Abs( X-X\xB0 )"},
    {13, "Abs( Y-Y\xB0 )"},
    {14, "Abs( X-X\xB0 ) & |Z|"},
    {15, "Abs( Y-Y\xB0 ) & |Z|"},
    {16, "Abs( X-Y  )"},
    {17, "Abs( X - Y ) & |Z|"},
    {18, "( X*X )"},
    {19, "( Y*Y )"},
    {20, "( X*X ) & ( Y*Y )"},
    {21, "( X*X ) &  |Z|"},
    {22, "( Y*Y ) &  |Z|"},
    {23, "( X*X ) & ( Y*Y ) & |Z|"},
    {24, "( X*X*Y*Y )"},
    {25, "( X*X*Y*Y ) & |Z|"},
    {26, "Abs( X*X*X )"},
    {27, "Abs( Y*Y*Y )"},
    {28, "Sin( |Z| )"},
    {29, "Abs( X*X / Y*Y)"},
    {30, "Abs( Y*Y / X*X)"},
    {31, "Max( Abs( X ) )"},
    {32, "Max( Abs( Y ) )"},
    {33, "Max( Abs( X-X\xB0 ) )"},
    {34, "Max( Abs( Y-Y\xB0 ) )"},
    {35, "Max( Abs( X*Y ) )"},
    {36, "Max( Log( |Z| ) )"},
    {37, "[X] & [Y] & |Z|"},
    {38, "X*X & Y*Y & |Z|"},
    {39, "[X*X / Y*Y] & [Y*Y / X*X] & |Z|"},
    {40, "[X*X*X +- Y*Y*Y] & |Z|"},
    {41, "[X*X*X +- Y*Y*Y] & |Z|"},
    {42, "Dual Bubbles"},
    {43, "Tentacles"},
    {44, "Triple Tentacles"},
    {45, "Triple Average Tentacles"},
    {46, "Range Tentacles"},
    {47, "Sinus Tentacles"},
    {48, "Log Tentacles"},
    {49, "Inversed Tentacles"},
    {50, "Dim Tentacles, X dispers"},
    {51, "Dim Tentacles, Y dispers"},
    {52, "Dim Tentacles, XY dispers"},
    {53, "Dim 3Tentacles, X dispers"},
    {54, "Trip/Dim 3Tentacles, XY dispers"},
    {55, "Dim 3Tentacle, X~Y-dev"},
    {56, "Range Dimension, XY-dispers"},
    {57, "Dimension, XY deviation"},
    {58, "Dim 3Tentacles, XY dispers"},
}};

namespace {

// The dialog keeps names and texts in fixed-length short strings.
constexpr bool FitsShortStrings() {
  for (const TFormulaEntry& e : FormulaCatalogue)
    if (e.Name.size() > kCatalogueNameMax || e.FormulaText.size() > kFormulaTextMax) return false;
  for (const TFilterEntry& f : FilterCatalogue)
    if (f.Name.size() > kCatalogueNameMax) return false;
  return true;
}
static_assert(FitsShortStrings(), "a catalogue string is longer than its short string");

// Code points of the bytes 0x80..0x9F in Windows-1252. The five bytes the code
// page leaves unassigned map to the control characters of the same value, as
// the Windows conversion does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

}  // namespace

const TFormulaEntry* FormulaRow(int index) {
  if (index < 0 || index >= kFormulaCatalogueSize) return nullptr;
  return &FormulaCatalogue[index];
}

bool IsSeparatorRow(const TFormulaEntry& entry) { return entry.Number == kSeparatorFormula; }

int FindFormulaRow(int32_t number) {
  if (number == kSeparatorFormula) return -1;
  for (int i = 0; i < kFormulaCatalogueSize; ++i)
    if (FormulaCatalogue[i].Number == number) return i;
  return -1;
}

const TFormulaEntry* FindFormula(int32_t number) { return FormulaRow(FindFormulaRow(number)); }

bool FormulaJuliaAllowed(int32_t number) {
  if (number == kUserFormula) return true;
  if (number < kFirstOrbitalFormula) {
    const TFormulaEntry* entry = FindFormula(number);
    return entry != nullptr && entry->JuliaAllowed;
  }
  return false;
}

int32_t FormulaParamCount(int32_t number) {
  const TFormulaEntry* entry = FindFormula(number);
  return entry != nullptr ? entry->ParamCount : 0;
}

const TFilterEntry* FilterRow(int index) {
  if (index < 0 || index >= kFilterCatalogueSize) return nullptr;
  return &FilterCatalogue[index];
}

std::string CatalogueTextToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (const char ch : text) {
    const unsigned char byte = static_cast<unsigned char>(ch);
    if (byte >= 0x80 && byte < 0xA0)
      AppendUtf8(out, kCp1252High[byte - 0x80]);
    else
      AppendUtf8(out, byte);  // 0xA0..0xFF are U+00A0..U+00FF
  }
  return out;
}
