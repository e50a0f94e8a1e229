// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Command line of pelmorix-render.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/view_window.h"
#include "formulas/numbers.h"

enum class TImageType { Bitmap, Jpeg, Png };

// What a command line asks for besides a render.
enum class TRenderAction { Render, Help, Version, ListFormulas };

// Exit statuses of pelmorix-render besides 0.
constexpr int kExitFailure = 1;        // a render or a write failed
constexpr int kExitUsage = 2;          // the command line is wrong
constexpr int kExitInterrupted = 130;  // Ctrl-C or SIGTERM ended a movie

// Largest width or height of a picture held whole (a movie's frame, an
// attractor's image).
constexpr int32_t kMaxRenderSide = 20000;
// Largest width or height of a fractal picture, which is rendered and
// written in bands.
constexpr int32_t kMaxPictureSide = 1 << 20;

struct TRenderOptions {
  TRenderAction Action = TRenderAction::Render;
  std::string SpotPath;    // empty: render Formula over the window X, Y, W
  std::string OutputPath;
  std::string ValuesPath;  // empty: no value dump
  TImageType Type = TImageType::Bitmap;
  int32_t Width = 0, Height = 0;  // 0: the spot's "DrawSize", or 640 x 480
  int32_t Threads = 0;            // 0: one per core
  int32_t Formula = 0;
  // The view window with every digit given.
  TViewWindow Window{-2.2L, 1.4L, 2.8L};
  int32_t MaxIter = 0;  // 0: follow the zoom
  int Quality = 80;
  bool Progressive = false;
  bool ShowProgress = true;
  // Render at twice the size and write the anti-aliased half-size image.
  bool AntiAlias = false;
  // --band K/N: the file holds band K of N (from the top, of equal height
  // but the last) of the picture; 0/0 the whole picture.
  int32_t Band = 0, BandCount = 0;
  // Rows rendered at a time; 0: as many as the band memory holds.
  int32_t BandRows = 0;
  // Step the kernels in double (vector lanes where they have them) instead of
  // extended precision: faster, the values may differ in a few pixels.
  bool Fast = false;
};

// Parses the arguments (without the program name). False with an empty
// error when the command asks for a text (options.Action says which), false
// with a message for a bad command line.
bool ParseRenderOptions(const std::vector<std::string>& args, TRenderOptions& options, std::string& error);

std::string RenderUsage();
// "pelmorix-render 1.0.0" and the licence notice.
std::string RenderVersionText();
// One line per formula of the catalogue: its number and name.
std::string FormulaListText();

// Helpers every command of pelmorix-render shares.
// A whole decimal integer, nothing else.
bool ParseInt(const std::string& text, int32_t& out);
// "--size WxH": W from 2 and H from 1 up to `most`; false with the message
// for the user otherwise.
bool ParseSizeOption(const std::string& text, int32_t& width, int32_t& height, std::string& error,
                     int32_t most = kMaxRenderSide);
// "bad --maxiter "text": expected 1..100000", for a value beyond the cap of
// ordinary views.
std::string MaxIterOptionError(const std::string& text);
// Whether a command draws its progress bar: not --quiet (`showProgress`),
// and standard error a terminal.
bool DrawsProgress(bool showProgress);
// Says "pelmorix-render: text" on stderr; returns kExitFailure.
int Fail(const std::string& text);
// Says "pelmorix-render: text" and where the help is (`help` the options
// that show it, "--help" for a single render) on stderr; returns kExitUsage.
int UsageFail(const std::string& text, const std::string& help = "--help");

class TProfileFile;
// What a command says of the spot (or, with `kind` "IFS", IFS) file it was
// given: why it cannot be opened (missing, unreadable), "" when it can.
std::string SpotOpenProblem(const TProfileFile& file, const std::string& kind);
// A spot without a key in section [Fractal] renders as the defaults: the
// words for it, "" for a spot with keys.
std::string NoFractalKeysText(const TProfileFile& file);
class TFractal;
// Why a document loaded from a spot file has nothing to render; "" when it
// has something.
std::string SpotFormulaProblem(const TFractal& doc);
// The same for a document whatever gave its formula: a number no kernel or
// point step serves, an IFS the IFS library does not hold, the user formula
// without a compiled module.
std::string FormulaProblem(const TFractal& doc);
