// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/render_options.h"

#include <cctype>
#include <charconv>
#include <cstdio>

#include "engine/iteration_limit.h"
#include "engine/render_thread.h"
#include "platform/profile.h"
#include "platform/view_values.h"

namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
  if (s.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - tail.size() + i])) != tail[i]) return false;
  return true;
}

}  // namespace

bool ParseInt(const std::string& text, int32_t& out) {
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc() && p == end;
}

bool ParseSizeOption(const std::string& text, int32_t& width, int32_t& height, std::string& error) {
  const size_t x = text.find('x');
  if (x == std::string::npos || !ParseInt(text.substr(0, x), width) || !ParseInt(text.substr(x + 1), height) ||
      width < 2 || height < 1 || width > kMaxRenderSide || height > kMaxRenderSide) {
    error = "bad --size \"" + text + "\": expected WxH with W from 2 and H from 1 up to " +
            std::to_string(kMaxRenderSide);
    return false;
  }
  return true;
}

int Fail(const std::string& text) {
  std::fprintf(stderr, "pelmorix-render: %s\n", text.c_str());
  return 1;
}

std::string SpotOpenProblem(const TProfileFile& file, const std::string& kind) {
  if (!file.Existed()) return "cannot open " + kind + " file \"" + file.Path() + "\": no such file";
  if (!file.ReadError().empty()) return "cannot read " + kind + " file \"" + file.Path() + "\": " + file.ReadError();
  return {};
}

std::string NoFractalKeysText(const TProfileFile& file) {
  if (!file.KeyNames("Fractal").empty()) return {};
  return "no key found in section [Fractal] of \"" + file.Path() + "\"";
}

std::string SpotFormulaProblem(int32_t number) {
  if (number < 0) return "the spot file's formula number is negative: nothing to render";
  return FormulaProblem(number);
}

std::string FormulaProblem(int32_t number) {
  if (HasRenderPass(number)) return {};
  return "formula number " + std::to_string(number) +
         " has nothing to render: the renderer draws 0..999, 1000, 1001 and 3000";
}

std::string MaxIterOptionError(const std::string& text) {
  return "bad --maxiter \"" + text + "\": expected 1.." + std::to_string(kMaxIterLimit);
}

std::string RenderUsage() {
  return "usage: pelmorix-render [SPOT.frs | IFS.fri | FILE.fr3] -o OUT.bmp|OUT.jpg|OUT.png [options]\n"
         "       pelmorix-render --morph A.fri B.fri|A.fr3 B.fr3 -o OUT.avi [options]  (see --morph --help)\n"
         "       pelmorix-render --zoom-movie A.frs B.frs [C.frs ...] -o OUT.avi [options]  (see --zoom-movie --help)\n"
         "  SPOT.frs             spot file to render (its DrawSize gives the size)\n"
         "  IFS.fri              IFS file to draw with its window, palette and MaxIter\n"
         "  FILE.fr3             3D attractor file to draw (its DrawSize, else 300x300)\n"
         "  -o, --output FILE    image to write: .bmp (24-bit), .jpg or .png (with the spot as text)\n"
         "  --size WxH           image size (default: the spot's DrawSize, else 640x480)\n"
         "  --formula N          formula number to render without a spot file (default 0)\n"
         "  --window X,Y,W       view window: left, top, width (default -2.2,1.4,2.8)\n"
         "  --maxiter N          fixed maximum iterations, 1..100000, up to 100000000 on deep views\n"
         "                       (default: follow the zoom; a spot's or an IFS file's MaxIter)\n"
         "  --threads N          render threads (default: one per core)\n"
         "  -q, --quality Q      JPEG quality 1..100 (default 80)\n"
         "  --progressive        progressive JPEG\n"
         "  --values FILE        also write the value buffer: Width x Height x 3 floats, rows top-down\n"
         "  --antialias          render at twice the size and write the smoothed half-size image\n"
         "  --fast               fast arithmetic: doubles and SIMD instead of extended precision\n"
         "  --quiet              no progress bar\n";
}

bool ParseRenderOptions(const std::vector<std::string>& args, TRenderOptions& options, std::string& error) {
  error.clear();
  bool windowGiven = false, formulaGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = "option " + a + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    std::string v;
    if (a == "-h" || a == "--help") {
      return false;
    } else if (a == "-o" || a == "--output") {
      if (!value(options.OutputPath)) return false;
    } else if (a == "--values") {
      if (!value(options.ValuesPath)) return false;
    } else if (a == "--size") {
      if (!value(v)) return false;
      if (!ParseSizeOption(v, options.Width, options.Height, error)) return false;
    } else if (a == "--threads") {
      if (!value(v)) return false;
      if (!ParseInt(v, options.Threads) || options.Threads < 0 || options.Threads > 256) {
        error = "bad --threads \"" + v + "\"";
        return false;
      }
    } else if (a == "--formula") {
      if (!value(v)) return false;
      if (!ParseInt(v, options.Formula)) {
        error = "bad --formula \"" + v + "\"";
        return false;
      }
      formulaGiven = true;
    } else if (a == "--maxiter") {
      if (!value(v)) return false;
      // The view decides between the two caps once it is loaded.
      if (!ParseInt(v, options.MaxIter) || options.MaxIter < 1 || options.MaxIter > kDeepMaxIterLimit) {
        error = MaxIterOptionError(v) + ", or up to " + std::to_string(kDeepMaxIterLimit) +
                " on a view the deep render serves";
        return false;
      }
    } else if (a == "--window") {
      if (!value(v)) return false;
      const size_t c1 = v.find(','), c2 = c1 == std::string::npos ? c1 : v.find(',', c1 + 1);
      try {
        if (c2 == std::string::npos) throw TConvertError("");
        const std::string texts[3] = {v.substr(0, c1), v.substr(c1 + 1, c2 - c1 - 1), v.substr(c2 + 1)};
        // Each must be a real the program reads, and the window one of the view's range.
        const Extended x = ParseReal(texts[0]), y = ParseReal(texts[1]), w = ParseReal(texts[2]);
        if (!IsViewCoordinate(x) || !IsViewCoordinate(y) || !IsViewWidth(w)) throw TConvertError("");
        if (ParseViewWindow(texts, options.Window) >= 0) throw TConvertError("");
      } catch (const TConvertError&) {
        error = "bad --window \"" + v + "\": expected X,Y,W with W > 0";
        return false;
      }
      windowGiven = true;
    } else if (a == "-q" || a == "--quality") {
      if (!value(v)) return false;
      int32_t q;
      if (!ParseInt(v, q) || q < 1 || q > 100) {
        error = "bad --quality \"" + v + "\": expected 1..100";
        return false;
      }
      options.Quality = q;
    } else if (a == "--progressive") {
      options.Progressive = true;
    } else if (a == "--antialias") {
      options.AntiAlias = true;
    } else if (a == "--fast") {
      options.Fast = true;
    } else if (a == "--quiet") {
      options.ShowProgress = false;
    } else if (!a.empty() && a[0] == '-') {
      error = "unknown option " + a;
      return false;
    } else if (options.SpotPath.empty()) {
      options.SpotPath = a;
    } else {
      error = "more than one spot file given";
      return false;
    }
  }
  if (options.OutputPath.empty()) {
    error = "no output file given (-o OUT.bmp, OUT.jpg or OUT.png)";
    return false;
  }
  if (EndsWith(options.OutputPath, ".bmp")) {
    options.Type = TImageType::Bitmap;
  } else if (EndsWith(options.OutputPath, ".jpg") || EndsWith(options.OutputPath, ".jpeg")) {
    options.Type = TImageType::Jpeg;
  } else if (EndsWith(options.OutputPath, ".png")) {
    options.Type = TImageType::Png;
  } else {
    error = "the output file must end in .bmp, .jpg, .jpeg or .png";
    return false;
  }
  if (!options.SpotPath.empty() && (windowGiven || formulaGiven)) {
    error = "--formula and --window go without a spot file";
    return false;
  }
  if (options.SpotPath.empty() && options.Width == 0) {
    options.Width = 640;
    options.Height = 480;
  }
  return true;
}
