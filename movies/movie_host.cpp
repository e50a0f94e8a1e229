#include "movies/movie_host.h"

#include "movies/zoom_movie.h"

namespace {

TMovieLoop Loops[kMovieKindCount + 1] = {nullptr, nullptr, ZoomMovieLoop};

}  // namespace

void SetMovieLoop(int32_t kind, TMovieLoop loop) {
  if (kind >= 1 && kind <= kMovieKindCount) Loops[kind] = loop;
}

TMovieLoop MovieLoop(int32_t kind) { return kind >= 1 && kind <= kMovieKindCount ? Loops[kind] : nullptr; }
