// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The iteration movie: a list of iteration limits from the image's largest
// pixel value down to its smallest, shown one after another by colouring
// only the pixels that escaped by that limit. Playback runs back and forth
// over the list; the clip holds it forward and then backward.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "movies/movie_values.h"

class TFractal;
class TMovieHost;

constexpr int32_t kMaxIterationLimits = 10001;

// The largest and smallest rounded non-zero pixel value of an image; the
// smallest, when above 0, lowered by one so that the list reaches it.
struct TLimitRange {
  int32_t Largest = 0;
  int32_t Smallest = 0;
  bool operator==(const TLimitRange&) const = default;
};
// `values` are the pixels' values; the smallest starts from `maxIter`.
TLimitRange LimitRangeOf(std::span<const float> values, int32_t maxIter);
TLimitRange LimitRangeOf(const TFractal& doc);

struct TIterationMovie {
  std::vector<int32_t> Limits;
  int32_t Count = 0;  // the last index of Limits
  int32_t Index = 0;
  bool Forward = true;
  bool Playing = false;

  // From the largest limit down: each next limit is limit - (limit div
  // acceleration + 1), while it stays above the smallest. An image without
  // such a range still gets its largest value as the one limit.
  void Build(const TLimitRange& range, int32_t acceleration);
  // One step of playback, back and forth between 0 and Count.
  void Advance();
  // Clears the list.
  void Release();
};

TIterationMovie& IterMovie();

// The clip of an iteration movie: limits[0..count] and back to limits[0],
// 2 * count + 1 frames numbered from 1. `show` puts a limit's view into the
// host's document at once (no render); `processEvents` lets the windows
// repaint. The frame shown when "Stop" is pressed is still written.
// Returns the frames written.
int32_t RunIterationLoop(TMovieHost& host, const TIterationMovie& movie,
                         const std::function<void(int32_t limit)>& show, const std::function<void()>& processEvents);
