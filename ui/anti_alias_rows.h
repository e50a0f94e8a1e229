// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The anti-aliased half-size picture made row by row as the picture's rows
// come, keeping three of them: the rows a file writer receives are the bytes
// AntiAliasImage gives, for the whole half picture or for a band of it.

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/anti_alias.h"
#include "ui/image_stream.h"

struct TRowRange {
  int32_t First = 0, End = 0;  // rows [First, End), counted from the top
  bool operator==(const TRowRange&) const = default;
};

// The picture rows that rows [first, end) of the half picture of a picture
// `sourceHeight` rows high are made from: from row 2 x first to the row
// below the last one's centre (the picture's last row at the most). The
// half picture pairs the picture's rows from the bottom, so with an odd
// height each band's first row goes unused.
TRowRange AntiAliasSourceRows(int32_t sourceHeight, int32_t first, int32_t end);

// Receives the rows AntiAliasSourceRows names, from its First on (further
// rows are ignored), and hands rows [first, end) of the half picture to
// `target` as soon as each can be made, each padded with black to the half
// picture's BufWidth. `end` is clamped to the half picture's height.
class TAntiAliasRows final : public TRowWriter {
 public:
  TAntiAliasRows(TRowWriter& target, int32_t sourceWidth, int32_t sourceHeight, int32_t first = 0,
                 int32_t end = std::numeric_limits<int32_t>::max());
  void WriteRow(const uint8_t* bgr) override;
  void Finish() override;

 private:
  // The picture row below, at and above half-picture row t's centre.
  std::array<int32_t, 3> RowsOf(int32_t t) const;

  TRowWriter& Target;
  int32_t SourceWidth, SourceHeight;
  TAntiAliasSize Size;
  TRowRange Half;                  // from the next half-picture row to make
  TRowRange Source;                // from the next picture row to come
  std::vector<uint8_t> Kept, Out;  // the last three picture rows; one half row
};
