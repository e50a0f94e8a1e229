// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parameter block a kernel works on: the tail of a fractal document, from
// the formula number to the user formula entry. The render thread hands its
// address to CalcPoint for every pixel or orbit step.

#include <cstdint>

#include "formulas/numbers.h"

// One entry of the orbit store used by the dimension filters (50..58).
struct TOrbitEntry {
  Extended X = 0;
  Extended Y = 0;
};

// The "Formula" export of a compiled user module: z and c by reference, the
// three complex parameters by value.
using TUserFormulaProc = void (*)(Extended& x, Extended& y, Extended& cr, Extended& ci, Extended p1r,
                                  Extended p1i, Extended p2r, Extended p2i, Extended p3r, Extended p3i);

// Formula numbers outside the catalogue rows.
constexpr int32_t kConstructorFormula = 1000;
constexpr int32_t kIFSFormula = 1001;
constexpr int32_t kAttractorFormula = 2000;
constexpr int32_t kUserFormula = 3000;
constexpr int32_t kWorkingIFSNumber = 10000;

// Indexes of the constructor coefficients A1..M1.
enum TConstructorCoef { cfA, cfB, cfC, cfD, cfE, cfF, cfG, cfH, cfI, cfJ, cfK, cfL, cfM, kConstructorCoefCount };

struct TFormulaContext {
  int32_t Number = 0;
  Single BailOut = 9;
  int32_t MaxIter = 0;
  TComplexExt P1{0.5L, 0.5L};
  TComplexExt P2{0.5L, 0.5L};
  TComplexExt P3{0, 0};
  TComplexExt PJ{0.5L, 0.5L};  // Julia point; seed of orbital formulas and IFS
  bool JulieSet = false;
  bool Inverted = false;
  bool FSet = false;
  int32_t Smoothing = 0;
  bool Double = false;

  // Smoothing state and result, cleared per pixel.
  Single SmoothCorrection = 0;
  Single PrevModulus = 0;
  Single PrevModulus2 = 0;

  Extended Constructor[kConstructorCoefCount] = {1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

  int32_t Filter = 0;
  Extended Strange = 0.01L;  // filter limit
  bool KeepBlk = false;
  bool FilterOnly = false;

  // Filter results per colour channel (R, G, B), cleared per pixel.
  int32_t ChanIter[3] = {0, 0, 0};
  double ChanMag[3] = {0, 0, 0};
  double Tentacle[3] = {0, 0, 0};
  double HitX = 0;
  double HitY = 0;

  // Entry n - 1 holds iteration n; the owner keeps at least MaxIter entries
  // (or none: then the dimension filters record nothing).
  TOrbitEntry* OrbitStore = nullptr;

  TComplexExt Orbit{0, 0};  // current point of an orbital formula or the IFS

  int32_t IFSNumber = -1;
  int32_t IFScounter = 100;
  int32_t IFSColorStyle = 0;
  uint8_t IFSSolid[3] = {255, 255, 255};  // blue, green, red
  bool IFSquick = true;

  TUserFormulaProc UserFormula = nullptr;

  // Fast arithmetic for this render: the kernels step in double instead of
  // extended precision, and the vector loop serves the kernels that have one.
  // A render setting, never part of a spot.
  bool FastArithmetic = false;

  // Zeroes the per-pixel fields before a pixel is evaluated.
  void ClearPixelFields() {
    SmoothCorrection = PrevModulus = PrevModulus2 = 0;
    for (int k = 0; k < 3; ++k) {
      ChanIter[k] = 0;
      ChanMag[k] = 0;
      Tentacle[k] = 0;
    }
    HitX = HitY = 0;
  }
};
