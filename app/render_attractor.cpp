// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/render_attractor.h"

#include <filesystem>
#include <vector>

#include "attractors/attractor.h"
#include "attractors/attractor_thread.h"
#include "engine/render_thread.h"
#include "platform/dialogs.h"
#include "platform/messages.h"
#include "platform/profile.h"
#include "ui/image_file.h"

namespace {

constexpr int32_t kDefaultSide = 300;  // the size of a file without "DrawSize"

class TNoCanvas : public TCanvas {
 public:
  void DrawBitmap(const TBitmapInfoHeader&, const uint8_t*, const TRect&, const TRect&) override {}
  void SetPixel(int32_t, int32_t, TColor3) override {}
};

// The program's messages use Windows line breaks; one line reads better here.
std::string OneLine(std::string text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') continue;
    out += text[i] == '\n' ? ' ' : text[i];
  }
  return out;
}

}  // namespace

std::string RenderAttractorFile(const TRenderOptions& options,
                                const std::function<void(intptr_t done, intptr_t total)>& progress) {
  const std::string& path = options.SpotPath;
  if (const std::string problem = AttractorFileProblem(path); !problem.empty()) return problem;

  int32_t width = options.Width, height = options.Height;
  if (width <= 0) {
    const TProfileFile file(path);
    width = file.ReadInteger("DrawSize", "X_Size", kDefaultSide);
    height = file.ReadInteger("DrawSize", "Y_Size", kDefaultSide);
    if (width < 2 || height < 1 || width > kMaxRenderSide || height > kMaxRenderSide)
      return "the attractor file's DrawSize " + std::to_string(width) + "x" + std::to_string(height) +
             " is not a usable image size";
  }
  if (width > kMaxRenderSide || height > kMaxRenderSide)
    return "an attractor is drawn at most " + std::to_string(kMaxRenderSide) + " pixels a side, not " +
           std::to_string(width) + "x" + std::to_string(height);

  MainQueue().BindToCurrentThread();
  std::vector<std::string> messages;
  const TMessageHandler old = SetMessageHandler([&](const std::string& text) { messages.push_back(text); });
  struct TRestore {
    TMessageHandler Handler;
    ~TRestore() {
      SetMessageHandler(Handler);
      MainQueue().SetDispatcher(nullptr);
    }
  } restore{old};
  bool done = false;
  MainQueue().SetDispatcher([&](const TMessage& m) {
    if (m.Msg == MSG_RENDER_PROGRESS && progress) progress(m.WParam, m.LParam);
    if (m.Msg == MSG_RENDER_DONE) done = true;
  });

  TNoCanvas canvas;
  T3dFractal doc(width, height, &canvas);
  doc.ProgressFlag = true;
  if (!messages.empty()) return OneLine(messages.front());
  doc.LoadFromFile(path);
  if (!messages.empty()) return OneLine(messages.front());
  if (doc.Kind <= 0) return "the file's map kind is " + std::to_string(doc.Kind) + ": nothing to draw";
  if (!doc.RenderThread()) return "nothing to draw";
  MainQueue().RunUntil([&] { return done || doc.RenderFinished(); });
  doc.StopThread();
  MainQueue().DispatchPosted();

  try {
    if (options.Type == TImageType::Jpeg)
      SaveJpegFile(options.OutputPath, doc.BitmapHeader(), doc.ImageBuffer(), doc.Width, doc.Height,
                   options.Quality, options.Progressive);
    else if (options.Type == TImageType::Png)
      SavePngFile(options.OutputPath, doc.BitmapHeader(), doc.ImageBuffer(), doc.Width, doc.Height,
                  AttractorImageText(doc));
    else
      SaveBitmapFile(options.OutputPath, doc.BitmapHeader(), doc.ImageBuffer());
  } catch (const std::exception& e) {
    return e.what();
  }
  return {};
}
