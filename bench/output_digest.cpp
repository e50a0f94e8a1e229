// SPDX-License-Identifier: GPL-3.0-or-later
// Prints a digest of every picture and movie frame the engine draws for a
// fixed set of views: every catalogue formula (plain, smoothed and filtered,
// as Julia set, in fast arithmetic, zoomed by the navigation code, deep) and
// the frames of the escape-time movies. Run it before and after a change that
// must keep every output, and compare the two listings byte for byte.
//
//   px_output_digest DIR    also writes the spot files of some views into DIR,
//                           for bench/output_digest.sh to render with
//                           pelmorix-render

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "attractors/attractor.h"
#include "attractors/attractor_search.h"
#include "attractors/attractor_thread.h"
#include "engine/deep_window.h"
#include "engine/fractal.h"
#include "engine/render_thread.h"
#include "formulas/catalogue.h"
#include "ifs/ifs_file.h"
#include "ifs/ifs_model.h"
#include "movies/iteration_movie.h"
#include "movies/movie_host.h"
#include "movies/movie_values.h"
#include "movies/zoom_movie.h"
#include "platform/program_folder.h"

namespace {

constexpr int32_t kWidth = 72, kHeight = 54;

uint64_t Fnv(const void* data, size_t bytes, uint64_t h = 1469598103934665603ull) {
  const auto* p = static_cast<const uint8_t*>(data);
  for (size_t k = 0; k < bytes; ++k) h = (h ^ p[k]) * 1099511628211ull;
  return h;
}

void Wait(TFractal& doc) {
  if (TFThread* t = doc.RenderThread()) t->WaitFor();
}

uint64_t DigestOf(const TFractal& doc) {
  const size_t stride = (size_t(doc.BufWidth()) * 3 + 3) & ~size_t(3);
  const uint64_t h = Fnv(doc.ImageBuffer(), stride * size_t(doc.BufHeight()));
  return Fnv(doc.ValueBuffer(), size_t(doc.PixelCount) * 3 * sizeof(float), h);
}

double Sum(const TFractal& doc) {
  double s = 0;
  for (int32_t k = 0; k < doc.PixelCount; ++k) s += doc.ValueBuffer()[3 * k];
  return s;
}

void Print(const std::string& name, const TFractal& doc) {
  std::printf("%-28s %016llx  X=%.21Lg Y=%.21Lg W=%.21Lg MI=%d v=%g\n", name.c_str(),
              static_cast<unsigned long long>(DigestOf(doc)), doc.X, doc.Y, doc.W, doc.Ctx.MaxIter,
              Sum(doc));
}

// A host that renders each frame and prints its digest.
class TDigestHost : public TMovieHost {
 public:
  TDigestHost(TFractal& doc, std::string name, int32_t frames) : Doc(doc), Name(std::move(name)), Frames(frames) {}
  TFractal& Document() override { return Doc; }
  void RenderAndWait() override { Wait(Doc); }
  bool WriteFrame(int32_t i) override {
    Print(Name + " frame " + std::to_string(i), Doc);
    return true;
  }
  bool Running() const override { return true; }
  int32_t FrameCount() const override { return Frames; }
  void SetGaugeMax(int32_t) override {}
  void SetGaugePosition(int32_t) override {}

 private:
  TFractal& Doc;
  std::string Name;
  int32_t Frames;
};

TDeepWindow DeepAround(const char* x, const char* y, const char* w) {
  TDeepWindow window;
  const std::string texts[3] = {x, y, w};
  ParseDeepWindow(texts, window);
  return window;
}

void FormulaViews(TNullCanvas& canvas) {
  for (const TFormulaEntry& row : FormulaCatalogue) {
    if (IsSeparatorRow(row)) continue;
    const std::string name = "formula " + std::to_string(row.Number);
    TFractal doc(row.Number, row.X, row.Y, row.W, kWidth, kHeight, &canvas);
    if (row.Number == kIFSFormula) doc.SetIFSNumber(0);
    Wait(doc);
    Print(name, doc);
    doc.SetProperty(34, 1);
    doc.SetProperty(22, 5);
    Wait(doc);
    Print(name + " smooth filter", doc);
    doc.SetProperty(34, 0);
    doc.SetProperty(22, 0);
    doc.MoveWindow({17.25L, 9.5L, 0.3L, 0, kWidth - 1});
    Wait(doc);
    Print(name + " zoomed", doc);
    if (FormulaJuliaAllowed(row.Number)) {
      doc.SetProperty(8, true);
      Wait(doc);
      Print(name + " julia", doc);
      doc.SetProperty(8, false);
    }
    TFractal::UseFastArithmetic = true;
    doc.Restart();
    Wait(doc);
    Print(name + " fast", doc);
    TFractal::UseFastArithmetic = false;
  }
}

void DeepViews(TNullCanvas& canvas) {
  struct TView {
    const char* Name;
    int32_t Number;
    const char *X, *Y, *W;
    bool Julia;
  };
  const std::string tinyY = "1." + std::string(300, '0') + "7";
  const TView views[] = {
      {"deep 1e-30", 0, "-0.743643887037158704752191506116274", "0.131825904205311970493132056386239", "3e-30", false},
      {"deep 1e-300", 0, "-1e-300", tinyY.c_str(), "2e-300", false},
      {"deep julia", 0, "0.89307568887871164303472929292147946", "-0.63600982475703448212617123086874574", "1e-22",
       true},
  };
  for (const TView& v : views) {
    TFractal doc(v.Number, -2.2L, 1.4L, 2.8L, kWidth, kHeight, &canvas);
    if (v.Julia) doc.SetProperty(8, true);
    doc.SetDeepWindow(DeepAround(v.X, v.Y, v.W));
    Wait(doc);
    Print(v.Name, doc);
    doc.MoveWindow({-5.5L, 3.25L, 0.5L, 0, kWidth - 1});
    Wait(doc);
    Print(std::string(v.Name) + " moved", doc);
    const std::array<std::string, 3> texts = DeepTexts(doc.Deep);
    std::printf("%-28s %s %s %s\n", (std::string(v.Name) + " texts").c_str(), texts[0].c_str(), texts[1].c_str(),
                texts[2].c_str());
  }
}

void Movies(TNullCanvas& canvas) {
  TFractal doc(0, -2.2L, 1.4L, 2.8L, kWidth, kHeight, &canvas);
  Wait(doc);
  {
    TZoomMovie& movie = ZoomMovie();
    movie.Spots = {MovieSpotOf(doc, 3)};
    doc.MoveWindow({20, 20, 0.25L, 0, kWidth - 1});
    movie.Spots.push_back(MovieSpotOf(doc, 4));
    doc.SetDeepWindow(DeepAround("-0.743643887037158704752191506116274", "0.131825904205311970493132056386239", "3e-20"));
    movie.Spots.push_back(MovieSpotOf(doc, 2));
    movie.Smooth = TZoomSmooth::Fluent;
    TDigestHost host(doc, "zoom movie", ZoomFrameCount(movie.Spots));
    ZoomMovieLoop(host);
  }
  doc.SetWindow(-2.2L, 1.4L, 2.8L);
  Wait(doc);
  RegisterValueMovieLoops();
  {
    TakeValues(JulieMovie(), JulieValues(doc));
    JulieMovie()[1].End = -0.25;
    doc.SetProperty(8, true);
    TDigestHost host(doc, "julia movie", 3);
    MovieLoop(kJulieMovieKind)(host);
    doc.SetProperty(8, false);
  }
  {
    doc.SetFormula(4, -2, 2, 4);
    TakeValues(ParamMovie(), ParamValues(doc));
    ParamMovie()[0].End = 1.5;
    TDigestHost host(doc, "parameter movie", 3);
    MovieLoop(kParamMovieKind)(host);
  }
  {
    doc.SetFormula(kConstructorFormula, -2.2L, 1.4L, 2.8L);
    TakeValues(TransMovie(), ConstructorValues(doc));
    TransMovie()[4].End = 0.75;
    TDigestHost host(doc, "transformation movie", 3);
    MovieLoop(kTransMovieKind)(host);
  }
  {
    doc.SetFormula(0, -2.2L, 1.4L, 2.8L);
    Wait(doc);
    IterMovie().Build(LimitRangeOf(doc), 10);
    TDigestHost host(doc, "iteration movie", 0);
    RunIterationLoop(host, IterMovie(), [&](int32_t limit) { doc.RecolorThreshold(limit); }, [] {});
  }
}

void WriteSpots(TNullCanvas& canvas, const std::string& dir) {
  TFractal doc(0, -2.2L, 1.4L, 2.8L, kWidth, kHeight, &canvas);
  doc.SaveSpot(dir + "/a.frs");
  doc.MoveWindow({20, 20, 0.25L, 0, kWidth - 1});
  doc.SaveSpot(dir + "/b.frs");
  doc.SetDeepWindow(DeepAround("-0.743643887037158704752191506116274", "0.131825904205311970493132056386239", "3e-30"));
  doc.SaveSpot(dir + "/c.frs");
  doc.SetFormula(5, -2, 2, 4);
  doc.SetProperty(8, true);
  doc.SaveSpot(dir + "/d.frs");
  doc.StopThread();
  // Two IFS of the library and two attractors of a fixed search, for the morphs.
  for (int32_t k = 0; k < 2; ++k) {
    TWorkingIFS set;
    const std::vector<TIFSTransform> maps = LibraryTransforms(IFSLibrary, k);
    set.Count = int32_t(maps.size());
    for (size_t j = 0; j < maps.size(); ++j) set.Slots[j + 1] = maps[j];
    SaveIFSFile(dir + "/" + char('a' + k) + ".fri", set, {"IFS", -2.5L, 2.75L, 6.5L, 300}, nullptr);
    T3dFractal attractor(96, 72, &canvas);
    SearchAttractor(attractor, 2, 1234u + uint32_t(k));
    attractor.RenderThread()->WaitFor();
    attractor.SaveToFile(dir + "/" + char('a' + k) + ".fr3");
  }
}

}  // namespace

int main(int argc, char** argv) {
  TFractal::RenderThreads = 1;
  std::vector<std::string> names;
  LoadIFSLibrary(DataFile("px.ifs"), IFSLibrary, names);
  TNullCanvas canvas;
  if (argc > 1) {
    WriteSpots(canvas, argv[1]);
    return 0;
  }
  FormulaViews(canvas);
  DeepViews(canvas);
  Movies(canvas);
  return 0;
}
