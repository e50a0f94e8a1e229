// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Basic number types shared by the formula library and the documents.

using Extended = long double;  // 80-bit x87 extended real
using Single = float;

struct TComplexExt {
  Extended re = 0;
  Extended im = 0;
};
