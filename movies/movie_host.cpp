// SPDX-License-Identifier: GPL-3.0-or-later
#include "movies/movie_host.h"

namespace {

TMovieLoop Loops[kMovieKindCount + 1] = {};

}  // namespace

void SetMovieLoop(int32_t kind, TMovieLoop loop) {
  if (kind >= 1 && kind <= kMovieKindCount) Loops[kind] = loop;
}

TMovieLoop MovieLoop(int32_t kind) { return kind >= 1 && kind <= kMovieKindCount ? Loops[kind] : nullptr; }

T3dFractal* TMovieHost::Attractor() { return nullptr; }
