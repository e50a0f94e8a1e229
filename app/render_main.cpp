// SPDX-License-Identifier: GPL-3.0-or-later
// pelmorix-render: renders a spot file, or a formula and window, to an image
// file without windows, on the same document and render thread as the
// program.

#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/render_attractor.h"
#include "app/render_ifs.h"
#include "app/render_morph.h"
#include "app/render_movie.h"
#include "app/render_options.h"
#include "app/render_output.h"
#include "app/render_picture.h"
#include "engine/fractal.h"
#include "engine/spot_picture.h"
#include "ifs/ifs_file.h"
#include "ifs/ifs_model.h"
#include "platform/dialogs.h"
#include "platform/messages.h"
#include "platform/profile.h"
#include "platform/program_folder.h"

namespace {

void DrawProgress(intptr_t done, intptr_t total) { DrawPhaseProgress("", done, total); }

}  // namespace

int main(int argc, char** argv) {
  // A file past the size the system allows fails its write, which is then
  // reported and cleaned up, instead of ending the program.
  std::signal(SIGXFSZ, SIG_IGN);
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (IsMorphCommand(args)) return RunMorphCommand(args);
  if (IsZoomMovieCommand(args)) return RunZoomMovieCommand(args);
  TRenderOptions options;
  std::string error;
  if (!ParseRenderOptions(args, options, error)) {
    if (!error.empty()) return UsageFail(error);
    const std::string text = options.Action == TRenderAction::Version        ? RenderVersionText()
                             : options.Action == TRenderAction::ListFormulas ? FormulaListText()
                                                                              : RenderUsage();
    std::fputs(text.c_str(), stdout);
    return 0;
  }
  options.ShowProgress = DrawsProgress(options.ShowProgress);

  if (IsAttractorFileName(options.SpotPath)) {
    const std::string failure = RenderAttractorFile(options, options.ShowProgress ? DrawProgress : nullptr);
    if (options.ShowProgress) std::fputc('\n', stderr);
    return failure.empty() ? 0 : Fail(failure);
  }

  MainQueue().BindToCurrentThread();
  std::vector<std::string> messages;
  SetMessageHandler([&](const std::string& text) { messages.push_back(text); });

  int32_t width = options.Width, height = options.Height;
  // The spot is read once; its size, palette and fractal all come from it.
  std::optional<TProfileFile> spot;
  if (!options.SpotPath.empty()) {
    const bool ifs = IsIFSFilePath(options.SpotPath);
    const std::string kind = ifs ? "IFS" : "spot";
    spot.emplace(OpenSpotFile(options.SpotPath));
    if (const std::string problem = SpotOpenProblem(*spot, kind); !problem.empty()) return Fail(problem);
    if (const std::string empty = NoFractalKeysText(*spot); !ifs && !empty.empty())
      std::fprintf(stderr, "pelmorix-render: warning: %s; rendering the defaults\n", empty.c_str());
    if (width <= 0) {
      width = spot->ReadInteger("DrawSize", "X_Size", 640);
      height = spot->ReadInteger("DrawSize", "Y_Size", 480);
      if (width < 2 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide)
        return Fail("the spot file's DrawSize " + std::to_string(width) + "x" + std::to_string(height) +
                    " is not a usable image size");
    }
  }

  if (options.AntiAlias) {
    if (const std::string problem = DoubleForAntiAlias(width, height); !problem.empty()) return UsageFail(problem);
  }

  TPicturePlan plan;
  if (const std::string problem = PlanPicture(options, width, height, plan); !problem.empty()) return UsageFail(problem);

  TFractal::RenderThreads = options.Threads;
  TFractal::UseFastArithmetic = options.Fast;
  const std::string libraryProblem = LoadProgramIFSLibrary();
  TNullCanvas canvas;
  // Parked at formula -1 so that nothing renders before the parameters are
  // in, and given its size once it holds bands, not the whole picture.
  TFractal doc(-1, 0, 0, 0, 0, 0, &canvas);
  doc.SetRowBands({plan.RenderFirst, plan.RenderEnd - plan.RenderFirst, plan.BandRows});
  doc.SetSize(width, height);
  doc.ProgressFlag = true;
  if (!messages.empty()) return Fail(messages.front());
  std::optional<TPictureOutput> output;
  try {
    output.emplace(doc, options, plan);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  try {
    if (IsIFSFilePath(options.SpotPath)) {
      const std::string note = LoadIFSForRender(options.SpotPath, doc, options.MaxIter);
      if (!note.empty()) std::fprintf(stderr, "pelmorix-render: %s\n", note.c_str());
    } else if (spot) {
      // A fixed limit given on the command line replaces the spot's own.
      if (options.MaxIter > 0) {
        spot->WriteBool("Fractal", "AutoIter", false);
        spot->WriteInt("Fractal", "MaxIter", options.MaxIter);
      }
      doc.LoadSpot(*spot);
      if (!messages.empty()) return Fail(messages.front());
    } else {
      if (options.MaxIter > 0) {
        doc.AutoIter = false;
        doc.Ctx.MaxIter = options.MaxIter;
      }
      // The command line gives the user formula no lines.
      if (options.Formula == kUserFormula) doc.SetUserFormula({});
      const TViewWindow& window = options.Window;
      doc.SetFormula(options.Formula, window.X(), window.Y(), window.W());
      if (window.IsDeep()) {
        // The render of the window's rounding ends unfinished; its reports
        // are dropped, its end is not the end of the render.
        doc.SetWindow(window);
        MainQueue().DispatchPosted();
      }
    }
  } catch (const std::exception& e) {
    return Fail(std::string("cannot load \"") + options.SpotPath + "\": " + e.what());
  }
  if (doc.Ctx.Number == kIFSFormula && doc.Ctx.IFSNumber != kWorkingIFSNumber && !libraryProblem.empty())
    std::fprintf(stderr, "pelmorix-render: warning: %s\n", libraryProblem.c_str());
  // A file's formula is the file's failure, --formula's a wrong command line.
  if (const std::string problem = spot ? SpotFormulaProblem(doc) : FormulaProblem(doc); !problem.empty())
    return spot ? Fail(problem) : UsageFail(problem);
  // Only the loaded view tells whether it takes a limit past the ordinary cap.
  if (options.MaxIter > doc.MaxIterLimit()) return UsageFail(MaxIterOptionError(std::to_string(options.MaxIter)));
  if (!doc.RenderThread()) return Fail(messages.empty() ? "nothing to render" : messages.front());

  return output->Run();
}
