// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The values the transformation, Julia and parametric movies animate: one
// (current, end, increment) triple per value, the editing rules of their
// "from"/"to" edits, and the interpolating frame loop that walks the triples
// from start to end.

#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "formulas/numbers.h"

class TFractal;
class TMovieHost;

struct TInterpolation {
  double Current = 0;  // the start value until the loop runs, then the frame's value
  double End = 0;
  double Increment = 0;
};

// The program-wide movie tables, kept between uses of the dialogs.
std::array<TInterpolation, 13>& TransMovie();  // coefficients A..M
std::array<TInterpolation, 2>& JulieMovie();   // seed re, im
std::array<TInterpolation, 6>& ParamMovie();   // P1 re, P1 im, P2 re, P2 im, P3 re, P3 im

// A typed value after leaving its edit: above 10000 becomes 10000, below
// -9999 becomes -9999, magnitudes below 0.001 become 0.
Extended ClampMovieValue(Extended value);
// One spin step of an edit's value: `delta` added, then clamped as above.
Extended StepMovieValue(Extended value, Extended delta);

// Spin steps of the value edits.
constexpr Extended kCoarseStep = 0.1L;
constexpr Extended kFineStep = 0.01L;

// Copies the document's values into a table as both start and end.
void TakeValues(std::span<TInterpolation> table, std::span<const Extended> values);
// The document's values of each movie kind, in table order.
std::array<Extended, 13> ConstructorValues(const TFractal& doc);
std::array<Extended, 2> JulieValues(const TFractal& doc);
std::array<Extended, 6> ParamValues(const TFractal& doc);
// Puts a table's current values into the document (one setter call each).
void ApplyConstructor(TFractal& doc, std::span<const TInterpolation, 13> table);
void ApplyJulie(TFractal& doc, std::span<const TInterpolation, 2> table);
void ApplyParams(TFractal& doc, std::span<const TInterpolation, 6> table);

// The interpolating loop of the transformation, Julia and parametric movies:
// N + 1 frames ("&Frame count:" N) from the start values to the end values.
// `apply` puts the table's current values into the host's document. A frame
// whose render was stopped is not written. The last frame holds exactly the
// end values (the summed increments would miss them by rounding). Returns
// the frames written.
int32_t RunInterpolatingLoop(TMovieHost& host, std::span<TInterpolation> table, const std::function<void()>& apply);

// The loops of kinds 1, 4 and 5 over their tables, and their registration
// with the movie writer.
void TransMovieLoop(TMovieHost& host);
void JulieMovieLoop(TMovieHost& host);
void ParamMovieLoop(TMovieHost& host);
void RegisterValueMovieLoops();

constexpr int32_t kTransMovieKind = 1, kZoomMovieKind = 2, kIterationMovieKind = 3, kJulieMovieKind = 4,
                  kParamMovieKind = 5;
