// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The frame order the two morph movies (IFS and attractor) share.

#include <cstdint>
#include <functional>

class TMovieHost;

// "&Frame count:" of both morph windows at first.
constexpr int32_t kDefaultMorphFrames = 10;

// n of a morph of `frameCount` frames: halved (toward zero) for ping-pong.
// Never below 1, so a morph always reaches its end values.
int32_t MorphSteps(int32_t frameCount, bool pingPong);

// Forward frames f = 0..n at positions 0..n (gauge f), then with ping-pong
// return frames f = 0..n at positions n + 1 .. 2n + 1 (gauge f + n). For each,
// draw(forward, f) sets the frame's values and starts the render; the host
// waits and writes it; a failed write or a cleared running flag (tested
// after writing) ends the movie. Returns the frames written.
int32_t RunMorphFrames(TMovieHost& host, int32_t n, bool pingPong,
                       const std::function<void(bool forward, int32_t f)>& draw);
