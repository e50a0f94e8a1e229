// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/render_options.h"

#include <unistd.h>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <utility>

#include "app/render_args.h"
#include "attractors/attractor.h"
#include "engine/fractal.h"
#include "engine/iteration_limit.h"
#include "formulas/calc_point.h"
#include "formulas/catalogue.h"
#include "formulas/orbital_steps.h"
#include "ifs/ifs_model.h"
#include "platform/profile.h"
#include "platform/program_folder.h"
#include "platform/program_info.h"
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

bool ParseSizeOption(const std::string& text, int32_t& width, int32_t& height, std::string& error, int32_t most) {
  const size_t x = text.find('x');
  if (x == std::string::npos || !ParseInt(text.substr(0, x), width) || !ParseInt(text.substr(x + 1), height) ||
      width < 2 || height < 1 || width > most || height > most) {
    error = "bad --size \"" + text + "\": expected WxH with W from 2 and H from 1 up to " + std::to_string(most);
    return false;
  }
  return true;
}

bool DrawsProgress(bool showProgress) { return showProgress && ::isatty(STDERR_FILENO) == 1; }

int Fail(const std::string& text) {
  std::fprintf(stderr, "pelmorix-render: %s\n", text.c_str());
  return kExitFailure;
}

int UsageFail(const std::string& text, const std::string& help) {
  std::fprintf(stderr, "pelmorix-render: %s\nTry 'pelmorix-render %s'.\n", text.c_str(), help.c_str());
  return kExitUsage;
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

std::string SpotFormulaProblem(const TFractal& doc) {
  if (doc.Ctx.Number < 0) return "the spot file's formula number is negative: nothing to render";
  return FormulaProblem(doc);
}

std::string FormulaProblem(const TFractal& doc) {
  const int32_t number = doc.Ctx.Number;
  if (!DispatcherServes(number))
    return "formula number " + std::to_string(number) + " has nothing to render: the renderer draws 0.." +
           std::to_string(kLastKernelFormula) + ", " + std::to_string(kFirstOrbitalFormula) + ".." +
           std::to_string(kLastOrbitalFormula) + " but " + std::to_string(kUnassignedOrbitalFormula) +
           ", 1000, 1001 and 3000 (see --list-formulas)";
  // The document falls back to formula 0 when the user formula has no lines.
  if (doc.UserFormulaAttached && !doc.HasUserModule())
    return "formula 3000, the user formula, has no lines to compile: a spot file of it holds them in section "
           "[UserFrm]";
  const int32_t ifs = doc.Ctx.IFSNumber;
  if (number == kIFSFormula && ifs != kWorkingIFSNumber && (ifs < 0 || ifs >= IFSLibrary.Count)) {
    if (ifs < 0) return "formula 1001 draws an IFS: give an IFS file (.fri) or a spot file with its IFSNumber";
    return "the IFS library \"" + DataFile("px.ifs") + "\" holds no IFS " + std::to_string(ifs) +
           ": nothing to render";
  }
  return {};
}

std::string MaxIterOptionError(const std::string& text) {
  return "bad --maxiter \"" + text + "\": expected 1.." + std::to_string(kMaxIterLimit);
}

std::string RenderUsage() {
  return "usage: pelmorix-render [SPOT.frs | PICTURE.png | IFS.fri | FILE.fr3] -o OUT.bmp|OUT.jpg|OUT.png [options]\n"
         "       pelmorix-render --morph A.fri B.fri|A.fr3 B.fr3 -o OUT.avi [options]  (see --morph --help)\n"
         "       pelmorix-render --zoom-movie A.frs B.frs [C.frs ...] -o OUT.avi [options]  (see --zoom-movie --help)\n"
         "       pelmorix-render --list-formulas | --version | --help\n"
         "  A long option takes its value as \"--option VALUE\" or \"--option=VALUE\"; \"--\" ends the options.\n"
         "  SPOT.frs             spot file to render (its DrawSize gives the size)\n"
         "  PICTURE.png          a PNG or JPEG written by Pelmorix: renders the spot it holds\n"
         "  IFS.fri              IFS file to draw with its window, palette and MaxIter\n"
         "  FILE.fr3             3D attractor file to draw (its DrawSize, else 300x300)\n"
         "  -o, --output FILE    image to write: .bmp (24-bit), .jpg or .png (with the spot as text)\n"
         "  --size WxH           image size (default: the spot's DrawSize, else 640x480)\n"
         "  --formula N          formula number to render without a spot file (default 0; see --list-formulas)\n"
         "  --window X,Y,W       view window: left, top, width (default -2.2,1.4,2.8)\n"
         "  --maxiter N          fixed maximum iterations, 1..100000, up to 100000000 on deep views\n"
         "                       (default: follow the zoom; a spot's or an IFS file's MaxIter)\n"
         "  --threads N          render threads (default: one per core)\n"
         "  -q, --quality Q      JPEG quality 1..100 (default 80)\n"
         "  --progressive        progressive JPEG\n"
         "  --values FILE        also write the value buffer: Width x Height x 3 floats, rows top-down\n"
         "  --antialias          render at twice the size and write the smoothed half-size image\n"
         "  --band K/N           write band K of N of the picture (from the top; equal heights but the\n"
         "                       last), with the whole picture's pixels there: bands joined top to\n"
         "                       bottom give the whole picture\n"
         "  --band-rows N        rows rendered and held at a time (default: as many as 128 MiB hold);\n"
         "                       a picture of any height is written as its bands are rendered\n"
         "  --fast               fast arithmetic: doubles and SIMD instead of extended precision\n"
         "  --quiet              no progress bar (it is drawn only when standard error is a terminal)\n"
         "  --list-formulas      print the formula catalogue: number and name\n"
         "  --version            print the version and licence\n"
         "  -h, --help           print this help\n"
         "  Exit status: 0 written, 1 a render or write failed, 2 a wrong command line, 130 interrupted.\n";
}

std::string RenderVersionText() { return std::string("pelmorix-render ") + ProgramVersion() + "\n" + LicenceNotice(); }

std::string FormulaListText() {
  std::string out;
  for (const TFormulaEntry& row : FormulaCatalogue) {
    if (IsSeparatorRow(row)) continue;
    char number[16];
    std::snprintf(number, sizeof number, "%4d  ", int(row.Number));
    out += number + CatalogueTextToUtf8(row.Name) + "\n";
  }
  return out;
}

namespace {

constexpr TOptionRule kRenderOptionRules[] = {
    {"help", 'h'},          {"version"},        {"list-formulas"},      {"output", 'o', true},
    {"values", 0, true},    {"size", 0, true},  {"threads", 0, true},   {"formula", 0, true},
    {"maxiter", 0, true},   {"window", 0, true}, {"quality", 'q', true}, {"progressive"},
    {"antialias"},          {"fast"},           {"quiet"},          {"band", 0, true},
    {"band-rows", 0, true},
};

}  // namespace

bool ParseRenderOptions(const std::vector<std::string>& args, TRenderOptions& options, std::string& error) {
  bool windowGiven = false, formulaGiven = false;
  const TTakeOption take = [&](const std::string& name, const std::string& v, std::string& message) {
    // A text instead of a render: the reading stops without a message.
    const std::pair<const char*, TRenderAction> texts[] = {
        {"help", TRenderAction::Help}, {"version", TRenderAction::Version},
        {"list-formulas", TRenderAction::ListFormulas}};
    for (const auto& [option, action] : texts)
      if (name == option) {
        options.Action = action;
        return false;
      }
    if (name == "output") {
      options.OutputPath = v;
    } else if (name == "values") {
      options.ValuesPath = v;
    } else if (name == "size") {
      return ParseSizeOption(v, options.Width, options.Height, message, kMaxPictureSide);
    } else if (name == "band") {
      const size_t slash = v.find('/');
      if (slash == std::string::npos || !ParseInt(v.substr(0, slash), options.Band) ||
          !ParseInt(v.substr(slash + 1), options.BandCount) || options.BandCount < 1 || options.Band < 1 ||
          options.Band > options.BandCount) {
        message = "bad --band \"" + v + "\": expected K/N with N from 1 and K from 1 to N";
        return false;
      }
    } else if (name == "band-rows") {
      if (!ParseInt(v, options.BandRows) || options.BandRows < 1) {
        message = "bad --band-rows \"" + v + "\": expected a number of rows from 1";
        return false;
      }
    } else if (name == "threads") {
      if (!ParseInt(v, options.Threads) || options.Threads < 0 || options.Threads > 256) {
        message = "bad --threads \"" + v + "\"";
        return false;
      }
    } else if (name == "formula") {
      if (!ParseInt(v, options.Formula)) {
        message = "bad --formula \"" + v + "\"";
        return false;
      }
      formulaGiven = true;
    } else if (name == "maxiter") {
      // The view decides between the two caps once it is loaded.
      if (!ParseInt(v, options.MaxIter) || options.MaxIter < 1 || options.MaxIter > kDeepMaxIterLimit) {
        message = MaxIterOptionError(v) + ", or up to " + std::to_string(kDeepMaxIterLimit) +
                  " on a view the deep render serves";
        return false;
      }
    } else if (name == "window") {
      const size_t c1 = v.find(','), c2 = c1 == std::string::npos ? c1 : v.find(',', c1 + 1);
      try {
        if (c2 == std::string::npos) throw TConvertError("");
        const std::string texts[3] = {v.substr(0, c1), v.substr(c1 + 1, c2 - c1 - 1), v.substr(c2 + 1)};
        // Each must be a real the program reads, and the window one of the view's range.
        const Extended x = ParseReal(texts[0]), y = ParseReal(texts[1]), w = ParseReal(texts[2]);
        if (!IsViewCoordinate(x) || !IsViewCoordinate(y) || !IsViewWidth(w)) throw TConvertError("");
        if (ParseViewWindow(texts, options.Window) >= 0) throw TConvertError("");
      } catch (const TConvertError&) {
        message = "bad --window \"" + v + "\": expected X,Y,W with W > 0";
        return false;
      }
      windowGiven = true;
    } else if (name == "quality") {
      int32_t q;
      if (!ParseInt(v, q) || q < 1 || q > 100) {
        message = "bad --quality \"" + v + "\": expected 1..100";
        return false;
      }
      options.Quality = q;
    } else if (name == "progressive") {
      options.Progressive = true;
    } else if (name == "antialias") {
      options.AntiAlias = true;
    } else if (name == "fast") {
      options.Fast = true;
    } else if (name == "quiet") {
      options.ShowProgress = false;
    }
    return true;
  };
  std::vector<std::string> files;
  if (!ReadOptions(args, kRenderOptionRules, take, files, error)) return false;
  if (files.size() > 1) {
    error = "more than one spot file given";
    return false;
  }
  if (!files.empty()) options.SpotPath = files.front();
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
  if (!options.ValuesPath.empty() && IsAttractorFileName(options.SpotPath)) {
    error = "--values is for spot files; an attractor has no value buffer";
    return false;
  }
  if ((options.BandCount > 0 || options.BandRows > 0) && IsAttractorFileName(options.SpotPath)) {
    error = "--band and --band-rows are for fractal pictures; an attractor is drawn whole";
    return false;
  }
  if (options.SpotPath.empty() && options.Width == 0) {
    options.Width = 640;
    options.Height = 480;
  }
  return true;
}
