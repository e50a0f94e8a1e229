// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/render_picture.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "app/render_movie.h"
#include "engine/anti_alias.h"
#include "engine/fractal.h"
#include "engine/render_thread.h"
#include "platform/atomic_file.h"
#include "platform/messages.h"
#include "ui/anti_alias_rows.h"
#include "ui/image_file.h"
#include "ui/image_stream.h"

namespace {

// What the buffers of one band (image and values, 15 bytes a pixel) may
// take when the command line does not say how many rows a band has.
constexpr uint64_t kBandBytes = uint64_t(128) << 20;

std::string BandText(const TRenderOptions& o) { return std::to_string(o.Band) + "/" + std::to_string(o.BandCount); }

}  // namespace

void DrawPhaseProgress(const std::string& phase, intptr_t done, intptr_t total) {
  static std::string shownPhase;
  static int shown = -1;
  const int width = 40;
  const double share = total > 0 ? std::min(double(done) / double(total), 1.0) : 1.0;
  const int percent = int(share * 100 + 0.5);
  if (percent == shown && phase == shownPhase) return;
  // A shorter line than the last leaves its tail blank.
  const size_t erased = phase.size() < shownPhase.size() ? shownPhase.size() - phase.size() : 0;
  shown = percent;
  shownPhase = phase;
  const int filled = int(share * width + 0.5);
  std::fprintf(stderr, "\r%s[%s%s] %3d%%%s", phase.c_str(), std::string(size_t(filled), '#').c_str(),
               std::string(size_t(width - filled), ' ').c_str(), percent, std::string(erased, ' ').c_str());
  std::fflush(stderr);
}

std::string PlanPicture(const TRenderOptions& o, int32_t width, int32_t height, TPicturePlan& plan) {
  plan = TPicturePlan{};
  plan.Width = width;
  plan.Height = height;
  const TAntiAliasSize half = AntiAliasSizeOf(width, height);
  const int32_t outWidth = o.AntiAlias ? half.Width : width, outHeight = o.AntiAlias ? half.Height : height;
  int32_t first = 0, end = outHeight;
  if (o.BandCount > 0) {
    const int32_t rows = int32_t((int64_t(outHeight) + o.BandCount - 1) / o.BandCount);
    first = int32_t(std::min<int64_t>(int64_t(o.Band - 1) * rows, outHeight));
    end = std::min(first + rows, outHeight);
    if (first >= end)
      return "bad --band \"" + BandText(o) + "\": a picture " + std::to_string(outHeight) + " rows high makes " +
             std::to_string((outHeight + rows - 1) / rows) + " bands of " + std::to_string(rows) + " rows";
  }
  plan.FileWidth = outWidth;
  plan.FileHeight = end - first;
  plan.OutFirst = first;
  plan.OutEnd = end;
  if (o.AntiAlias) {
    const TRowRange source = AntiAliasSourceRows(height, first, end);
    plan.RenderFirst = source.First;
    plan.RenderEnd = source.End;
    plan.ValueFirst = 2 * first;
    plan.ValueEnd = std::min(2 * end, height);
  } else {
    plan.RenderFirst = plan.ValueFirst = first;
    plan.ValueEnd = end;
    // A whole bitmap holds the buffer's padding rows as well.
    plan.RenderEnd = o.BandCount == 0 && o.Type == TImageType::Bitmap ? PaddedSide(height) : end;
  }
  const uint64_t rowBytes = uint64_t(PaddedSide(width)) * 15;
  const int32_t rendered = plan.RenderEnd - plan.RenderFirst;
  plan.BandRows = std::min(o.BandRows > 0 ? o.BandRows : int32_t(std::clamp<uint64_t>(kBandBytes / rowBytes, 1, rendered)),
                           rendered);
  return o.Type == TImageType::Jpeg ? JpegSizeProblem(plan.FileWidth, plan.FileHeight) : std::string();
}

struct TPictureOutput::TState {
  TState(TFractal& doc, const TRenderOptions& options, const TPicturePlan& plan)
      : Doc(doc), Options(options), Plan(plan), NextRow(plan.RenderFirst) {}

  // The encoder of the picture file: a bitmap's at once (it has no text,
  // and a size it cannot hold is refused before the render), the others'
  // at the first band, whose render has chosen the limit their text names.
  void MakeEncoder() {
    if (Options.Type == TImageType::Bitmap) {
      const TAntiAliasSize half = AntiAliasSizeOf(Plan.Width, Plan.Height);
      TBitmapInfoHeader header;
      header.biWidth = Options.AntiAlias ? half.BufWidth : Doc.BufWidth();
      // A whole picture's bitmap is its padded buffer; a band's holds the band.
      header.biHeight = Options.BandCount > 0 ? Plan.FileHeight
                        : Options.AntiAlias   ? half.BufHeight
                                              : Doc.PictureRows();
      Encoder = NewBitmapWriter(*Picture, header);
    } else if (Options.Type == TImageType::Png) {
      Encoder = NewPngWriter(*Picture, Plan.FileWidth, Plan.FileHeight, SpotImageText(Doc));
    } else {
      Encoder = NewJpegWriter(*Picture, Plan.FileWidth, Plan.FileHeight, Options.Quality, Options.Progressive,
                              SpotFileText(Doc));
    }
    if (Options.AntiAlias)
      Smoothing = std::make_unique<TAntiAliasRows>(*Encoder, Plan.Width, Plan.Height, Plan.OutFirst, Plan.OutEnd);
  }

  TRowWriter& Input() { return Smoothing ? *Smoothing : *Encoder; }

  void TakeBand(int32_t top, int32_t rows) {
    if (!Failure.empty()) return;
    try {
      if (!Encoder) MakeEncoder();
      WriteBufferRows(Input(), Doc.BitmapHeader(), Doc.ImageBuffer(), rows);
      const size_t stride = size_t(Doc.BufWidth()) * 3;
      for (int32_t y = std::max(top, Plan.ValueFirst); Values && y < std::min(top + rows, Plan.ValueEnd); ++y)
        Values->Append({reinterpret_cast<const char*>(Doc.ValueBuffer() + size_t(y - top) * stride),
                        size_t(Plan.Width) * 3 * sizeof(float)});
      NextRow = top + rows;
      ++BandsDone;
    } catch (const std::exception& e) {
      Failure = e.what();
    }
  }

  // The bar's words: the band of the picture a file holds, and the band of
  // the render in the buffers.
  std::string Phase() const {
    const int32_t bands = Plan.Bands();
    const std::string part = std::to_string(std::min(BandsDone + 1, bands)) + "/" + std::to_string(bands);
    if (Options.BandCount > 0) return "band " + BandText(Options) + (bands > 1 ? ", part " + part : "") + " ";
    return bands > 1 ? "band " + part + " " : "";
  }

  void ShowProgress(intptr_t done, intptr_t total) {
    // A band's last report may come after the band was taken.
    if (total <= 0 || done >= total) return;
    const int64_t rows = Plan.RenderEnd - Plan.RenderFirst;
    const int64_t before = std::min<int64_t>(int64_t(BandsDone) * Plan.BandRows, rows);
    const int64_t band = std::min<int64_t>(Plan.BandRows, rows - before);
    DrawPhaseProgress(Phase(), intptr_t(before * total + band * done), intptr_t(rows * total));
  }

  TFractal& Doc;
  const TRenderOptions& Options;
  const TPicturePlan Plan;
  TFileBatch Files;
  TStreamedFile* Picture = nullptr;
  TStreamedFile* Values = nullptr;
  std::unique_ptr<TRowWriter> Encoder;
  std::unique_ptr<TAntiAliasRows> Smoothing;  // between the render and the encoder with --antialias
  int32_t NextRow = 0;                         // the first row no band has brought yet
  int32_t BandsDone = 0;
  std::string Failure;
};

TPictureOutput::TPictureOutput(TFractal& doc, const TRenderOptions& options, const TPicturePlan& plan)
    : State(std::make_unique<TState>(doc, options, plan)) {
  State->Picture = &State->Files.Open(options.OutputPath);
  if (!options.ValuesPath.empty()) State->Values = &State->Files.Open(options.ValuesPath);
  if (options.Type == TImageType::Bitmap) State->MakeEncoder();
  doc.OnBand = [state = State.get()](TFractal*, int32_t top, int32_t rows) { state->TakeBand(top, rows); };
}

TPictureOutput::~TPictureOutput() {
  State->Doc.StopThread();
  State->Doc.OnBand = nullptr;
}

int TPictureOutput::Run() {
  TState& s = *State;
  const bool show = s.Options.ShowProgress;
  bool done = false;
  MainQueue().SetDispatcher([&](const TMessage& m) {
    if (m.Msg == MSG_RENDER_PROGRESS) {
      if (show) s.ShowProgress(m.WParam, m.LParam);
    } else if (m.Msg == MSG_REFERENCE_PROGRESS) {
      if (show) DrawPhaseProgress("reference orbit ", m.WParam, m.LParam);
    } else if (m.Msg == MSG_RENDER_DONE) {
      done = true;
    }
  });
  CatchInterrupts();
  MainQueue().RunUntil([&] { return done || s.Doc.RenderFinished() || !s.Failure.empty() || Interrupted(); });
  s.Doc.StopThread();
  MainQueue().DispatchPosted();
  ReleaseInterrupts();
  if (show) {
    if (s.Failure.empty() && !Interrupted()) DrawPhaseProgress(s.Phase(), 1, 1);
    std::fputc('\n', stderr);
  }
  if (Interrupted()) {
    std::fprintf(stderr, "pelmorix-render: interrupted; %s is left as it was\n", s.Options.OutputPath.c_str());
    return kExitInterrupted;
  }
  if (!s.Failure.empty()) return Fail(s.Failure);
  if (s.NextRow < s.Plan.RenderEnd) return Fail("the render ended before the picture was complete");
  try {
    s.Input().Finish();
    s.Files.Commit();
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  return 0;
}
