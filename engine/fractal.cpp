// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/fractal.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "engine/render_thread.h"
#include "engine/user_formula.h"
#include "formulas/filters.h"
#include "platform/available_memory.h"
#include "platform/dialogs.h"

namespace {

Extended AsExtended(const TPropertyValue& v) {
  if (auto p = std::get_if<Extended>(&v)) return *p;
  if (auto p = std::get_if<int32_t>(&v)) return *p;
  if (auto p = std::get_if<bool>(&v)) return *p ? 1 : 0;
  return 0;
}

int32_t AsInt(const TPropertyValue& v) {
  if (auto p = std::get_if<Extended>(&v)) {
    const Extended r = std::nearbyint(*p);
    if (!(r >= -2147483648.0L && r <= 2147483647.0L)) return 0;
    return int32_t(r);
  }
  if (auto p = std::get_if<int32_t>(&v)) return *p;
  if (auto p = std::get_if<bool>(&v)) return *p ? 1 : 0;
  return 0;
}

bool AsBool(const TPropertyValue& v) { return AsInt(v) != 0 || (std::holds_alternative<Extended>(v) && std::get<Extended>(v) != 0); }


// The automatic limit of a view `w` wide at `width` pixels.
int32_t AutoMaxIterOf(int32_t width, Extended w) {
  const Extended v = std::nearbyint(100 * std::log10(Extended(width) / w));
  if (!(v >= 150)) return 150;
  return v > kMaxIterLimit ? kMaxIterLimit : int32_t(v);
}

}  // namespace

std::string OutOfMemoryMessage(uint64_t bytes) {
  std::string digits = std::to_string(bytes), grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return "Unable to get " + grouped + " bytes: out of memory";
}

TFractal::TFractal(int32_t number, Extended x, Extended y, Extended w, int32_t width, int32_t height,
                   TCanvas* canvas)
    : Palette(std::make_unique<TFPal>()) {
  SetFormula(number, x, y, w);
  SetSize(width, height);
  FCanvas = canvas;
}

TFractal::~TFractal() {
  try {
    StopThread();
    ReleaseUserModule();
  } catch (const std::exception& e) {
    ShowMessage(std::string("Clearing fractal`s resource raised exception:\r\n") + e.what());
  }
}

bool TFractal::RenderFinished() const { return !Thread || Thread->Finished(); }

void TFractal::StopThread() {
  if (!Thread) return;
  Thread->Terminate();
  Thread->WaitFor();
  Thread.reset();
}

void TFractal::CompileUserFormula() {
  // The new module replaces this document's old one, files and all; the old
  // one may carry the very names the new one gets.
  ReleaseUserModule();
  TCompiledFormula compiled = CompileFormula(UserLines ? *UserLines : std::vector<std::string>{});
  SourcePath = std::move(compiled.SourcePath);
  ModulePath = std::move(compiled.ModulePath);
  CompilerOutput = std::move(compiled.Output);
  if (!compiled.Module) return;
  UserModule = compiled.Module;
  Ctx.UserFormula = reinterpret_cast<TUserFormulaProc>(compiled.Entry);
  UserFormulaAttached = true;
}

void TFractal::ReleaseUserModule() {
  // An entry taken over from another document without its module is only
  // forgotten; it must not outlive the module its owner may unload.
  Ctx.UserFormula = nullptr;
  if (!UserModule) return;
  StopThread();  // a running render may be inside the module
  dlclose(UserModule);
  UserModule = nullptr;
  Ctx.UserFormula = nullptr;
  if (!SourcePath.empty()) std::remove(SourcePath.c_str());
  if (!ModulePath.empty()) std::remove(ModulePath.c_str());
}

void TFractal::ReleaseBuffers() {
  Values.reset();
  Image.reset();
}

void TFractal::AllocateOrbitStore() {
  OrbitStore.clear();
  OrbitStore.shrink_to_fit();
  OrbitStore.resize(OrbitStoreLength(Ctx));
  Ctx.OrbitStore = OrbitStore.empty() ? nullptr : OrbitStore.data();
}

int32_t TFractal::AutoMaxIter() const { return AutoIter ? AutoMaxIterOf(Width, W) : Ctx.MaxIter; }

int32_t TFractal::MaxIterLimit() const { return MaxIterLimitFor(Ctx, FWindow.Exact(), Width); }

int32_t TFractal::RenderMaxIter(const TViewWindow& window) const { return MaxIterOf(window.W(), window.Exact()); }

int32_t TFractal::MaxIterOf(Extended w, const TDeepWindow& window) const {
  const int32_t n = AutoIter ? AutoMaxIterOf(Width, w) : Ctx.MaxIter;
  return std::min(n, MaxIterLimitFor(Ctx, window, Width));
}

void TFractal::Restart() {
  if (!FCanvas || Ctx.Number < 0) return;
  StopThread();
  if (Ctx.Number == kUserFormula) {
    if (!CompilerKitComplete()) {
      ShowMessage(CompilerKitMessage());
      Ctx.Number = 0;
    } else if (!UserLines || UserLines->empty()) {
      Ctx.Number = 0;
    } else if (NeedsCompile) {
      CompileUserFormula();
      NeedsCompile = false;
    }
  }
  // A stored limit past what the view takes (read from a spot file, or kept
  // from a view or formula that took more) falls back to its cap here, where
  // every change of view, size or formula passes.
  Ctx.MaxIter = MaxIterOf(W, FWindow.Exact());
  AllocateOrbitStore();
  Ctx.FastArithmetic = UseFastArithmetic;
  if (OnRenderStart) OnRenderStart(this);
  if (Values && Image) Thread = std::make_unique<TFThread>(this);
  if (OnParamsChanged) OnParamsChanged(this);
}

void TFractal::TakeAutoMaxIter(int32_t n) {
  Ctx.MaxIter = n;
  if (OnParamsChanged) OnParamsChanged(this);
}

void TFractal::SetFormula(int32_t number, Extended x, Extended y, Extended w) {
  X0 = x;
  Y0 = y;
  W0 = w;
  FWindow = TViewWindow(x, y, w);
  Ctx.Number = number;
  Restart();
}

void TFractal::SetSize(int32_t width, int32_t height) {
  if (width == Width && height == Height) return;
  StopThread();
  ReleaseBuffers();
  Width = width;
  Height = height;
  if (width <= 0 || height <= 0) return;
  if (AllocateBuffers()) Restart();
}

void TFractal::SetRowBands(const TRowBands& bands) {
  StopThread();
  ReleaseBuffers();
  Bands = bands;
  if (Width > 0 && Height > 0 && AllocateBuffers()) Restart();
}

int32_t TFractal::PictureRows() const { return PaddedSide(Height); }

uint64_t TFractal::BufferLimit() { return MaxBufferBytes > 0 ? MaxBufferBytes : AvailableMemoryBytes(); }

bool TFractal::AllocateBuffers() {
  Header.biWidth = PaddedSide(Width);
  Header.biHeight = Bands.Height > 0 ? std::min(Bands.Height, PictureRows()) : PictureRows();
  PixelCount = int64_t(Header.biWidth) * Header.biHeight;
  const uint64_t pixels = uint64_t(PixelCount);
  // Both buffers are measured against the limit before either is taken, so
  // that a size past it costs no allocation.
  const uint64_t limit = BufferLimit(), imageBytes = pixels * 3, valueBytes = pixels * 3 * sizeof(float);
  if (imageBytes > limit || imageBytes + valueBytes > limit) {
    ShowMessage(OutOfMemoryMessage(imageBytes > limit ? imageBytes : valueBytes));
    return false;
  }
  // A fresh buffer is zeroed: a black image and values 0, whatever the render
  // later writes or leaves out.
  Image = AllocateZeroedArray<uint8_t>(pixels * 3);
  if (!Image) {
    ShowMessage(OutOfMemoryMessage(pixels * 3));
    return false;
  }
  Values = AllocateZeroedArray<float>(pixels * 3);
  if (!Values) {
    ShowMessage(OutOfMemoryMessage(pixels * 12));
    Image.reset();
    return false;
  }
  return true;
}

void TFractal::SetWindow(Extended x, Extended y, Extended w) { SetWindow(TViewWindow(x, y, w)); }

void TFractal::SetWindow(const TViewWindow& window) {
  FWindow = window;
  Restart();
}

void TFractal::SetDeepWindow(const TDeepWindow& window) { SetWindow(TViewWindow::Rounded(window)); }

void TFractal::MoveWindow(const TViewMove& move) { SetWindow(FWindow.Moved(move)); }

void TFractal::SetJuliaPoint(Extended re, Extended im) {
  if (re == Ctx.PJ.re && im == Ctx.PJ.im) return;
  Ctx.PJ = {re, im};
  Restart();
}

void TFractal::SetParameters(Extended p1r, Extended p1i, Extended p2r, Extended p2i, Extended p3r, Extended p3i) {
  if (p1r == Ctx.P1.re && p1i == Ctx.P1.im && p2r == Ctx.P2.re && p2i == Ctx.P2.im && p3r == Ctx.P3.re &&
      p3i == Ctx.P3.im)
    return;
  Ctx.P1 = {p1r, p1i};
  Ctx.P2 = {p2r, p2i};
  Ctx.P3 = {p3r, p3i};
  Restart();
}

void TFractal::SetConstructor(const Extended (&coefs)[kConstructorCoefCount]) {
  for (int k = 0; k < kConstructorCoefCount; ++k) Ctx.Constructor[k] = coefs[k];
  Restart();
}

void TFractal::SetIFSNumber(int32_t number) {
  if (number == Ctx.IFSNumber) return;
  Ctx.IFSNumber = number;
  Restart();
}

void TFractal::SetIFSCounter(int32_t counter) {
  if (counter == Ctx.IFScounter) return;
  Ctx.IFScounter = counter;
  Restart();
}

void TFractal::SetMaxIter(int32_t n) {
  if (n == Ctx.MaxIter) return;
  const int32_t limit = MaxIterLimit();
  Ctx.MaxIter = n < 0 ? 100 : (n > limit ? limit : n);
  if (OnRenderStart) OnRenderStart(this);
  Restart();
}

void TFractal::SetProperty(int32_t index, const TPropertyValue& value) {
  // Indexes 11..20 and 25..27 are the constructor coefficients F..J, A..E, K..M.
  static constexpr int kCoefOfIndex[] = {cfF, cfG, cfH, cfI, cfJ, cfA, cfB, cfC, cfD, cfE};
  switch (index) {
    case 0: Ctx.BailOut = float(AsExtended(value)); break;
    case 1: SetMaxIter(AsInt(value)); return;
    case 2: Ctx.P1.re = AsExtended(value); break;
    case 3: Ctx.P1.im = AsExtended(value); break;
    case 4: Ctx.P2.re = AsExtended(value); break;
    case 5: Ctx.P2.im = AsExtended(value); break;
    case 6: Ctx.PJ.re = AsExtended(value); break;
    case 7: Ctx.PJ.im = AsExtended(value); break;
    case 8: Ctx.JulieSet = AsBool(value); break;
    case 9: Ctx.Inverted = AsBool(value); break;
    case 11: case 12: case 13: case 14: case 15: case 16: case 17: case 18: case 19: case 20:
      Ctx.Constructor[kCoefOfIndex[index - 11]] = AsExtended(value);
      break;
    case 21: Ctx.FSet = AsBool(value); break;
    case 22: Ctx.Filter = AsInt(value); break;
    case 23: Ctx.Strange = AsExtended(value); break;
    case 24: Ctx.KeepBlk = AsBool(value); break;
    case 25: Ctx.Constructor[cfK] = AsExtended(value); break;
    case 26: Ctx.Constructor[cfL] = AsExtended(value); break;
    case 27: Ctx.Constructor[cfM] = AsExtended(value); break;
    case 28: Ctx.FilterOnly = AsBool(value); break;
    case 30: Ctx.P3.re = AsExtended(value); break;
    case 31: Ctx.P3.im = AsExtended(value); break;
    case 32: Ctx.IFSNumber = AsInt(value); break;
    case 33: Ctx.IFScounter = AsInt(value); break;
    case 34: Ctx.Smoothing = AsInt(value); break;
    case 35: Ctx.Double = AsBool(value); break;
    case 36: Ctx.IFSColorStyle = AsInt(value); break;
    case 37:
      if (auto c = std::get_if<TPropertyColor>(&value)) {
        Ctx.IFSSolid[0] = uint8_t(c->B);
        Ctx.IFSSolid[1] = uint8_t(c->G);
        Ctx.IFSSolid[2] = uint8_t(c->R);
      }
      break;
    case 38: Ctx.IFSquick = AsBool(value); break;
    default: break;
  }
  Restart();
}

void TFractal::SetUserFormula(const std::vector<std::string>& lines) {
  ReleaseUserModule();
  UserFormulaAttached = true;
  NeedsCompile = true;
  if (!UserLines) UserLines = std::make_unique<std::vector<std::string>>();
  *UserLines = lines;
}

void TFractal::RecolorRows(const std::function<void(const float*, int32_t, uint8_t*)>& colorRow) {
  if (!Values || !Image || !FCanvas) return;
  const int32_t bw = BufWidth(), bh = BufHeight();
  std::unique_lock<std::mutex> guard(BufferLock);
  // A running render colours what it stores from now on with the palette as
  // it is now; the pixels it stored before are recoloured here.
  if (Thread) Thread->UsePalette(*Palette);
  // Picture row py sits in memory row bh - 1 - py of the bottom-up image; the
  // padding rows of a height that is not a multiple of 4 are left alone.
  for (int32_t py = 0; py < Height; ++py)
    colorRow(Values.get() + size_t(py) * bw * 3, Width, Image.get() + size_t(bh - 1 - py) * bw * 3);
  guard.unlock();
  Paint();
}

void TFractal::RecolorWith(const std::function<TColor3(const float*)>& colorOf) {
  RecolorRows([&](const float* values, int32_t count, uint8_t* image) {
    for (int32_t px = 0; px < count; ++px) {
      const TColor3 c = colorOf(values + px * 3);
      image[px * 3] = c.Blue;
      image[px * 3 + 1] = c.Green;
      image[px * 3 + 2] = c.Red;
    }
  });
}

void TFractal::Recolor() {
  const int32_t number = Ctx.Number;
  const TFPal& pal = *Palette;
  if ((number >= 0 && number <= kConstructorFormula) || number == kUserFormula) {
    std::vector<uint32_t> colours(size_t(std::max(Width, 0)));
    RecolorRows([&](const float* values, int32_t count, uint8_t* image) {
      pal.PackedColorsOf(values, count, colours.data());
      StorePackedColors(colours.data(), count, image);
    });
  } else if (number == kIFSFormula) {
    const TFormulaContext& c = Ctx;
    RecolorWith([&](const float* v) {
      if (!(v[0] > 0)) return pal.ColorOf(0, 0, 0);
      TColor3 solid{c.IFSSolid[0], c.IFSSolid[1], c.IFSSolid[2]};
      if (c.IFSColorStyle == 1) return solid;
      // Round, then keep the low 8 bits (also of counts too large for an integer).
      auto shade = [&](uint8_t channel) {
        const Extended r = std::fmod(std::nearbyint(Extended(channel) * v[0] / 255), 256.0L);
        return uint8_t(int32_t(r < 0 ? r + 256 : r));
      };
      return TColor3{shade(solid.Blue), shade(solid.Green), shade(solid.Red)};
    });
  } else if (Values && Image && FCanvas) {
    Paint();
  }
}

void TFractal::RecolorThreshold(int32_t limit) {
  const TFPal& pal = *Palette;
  RecolorWith([&](const float* v) {
    if (Extended(limit) >= (Extended(v[0]) + v[1] + v[2]) / 3) return pal.ColorOf(v[0], v[1], v[2]);
    return pal.ColorOf(0, 0, 0);
  });
}

void TFractal::Paint() {
  if (!Image || !FCanvas) return;
  std::lock_guard<std::mutex> guard(BufferLock);
  FCanvas->DrawBitmap(Header, Image.get(), {0, 0, Width, Height}, {0, 0, Width, Height});
}

void TFractal::PaintTo(TCanvas* canvas, int32_t width, int32_t height) {
  if (!Image || !canvas) return;
  std::lock_guard<std::mutex> guard(BufferLock);
  canvas->DrawBitmap(Header, Image.get(), {0, 0, Width, Height}, {0, 0, width, height});
}

float TFractal::PixelValue(int32_t column, int32_t row) const {
  if (!Values) return 0;
  std::lock_guard<std::mutex> guard(BufferLock);
  const float* v = Values.get() + (size_t(row) * BufWidth() + column) * 3;
  return float((Extended(v[0]) + v[1] + v[2]) / 3);
}

TColor3 TFractal::PixelColor(int32_t column, int32_t row) const {
  if (!Image) return {};
  column = column < 0 ? 0 : (column > Width - 1 ? Width - 1 : column);
  row = row < 0 ? 0 : (row > Height - 1 ? Height - 1 : row);
  std::lock_guard<std::mutex> guard(BufferLock);
  const uint8_t* p = Image.get() + (size_t(row) * BufWidth() + column) * 3;
  return {p[0], p[1], p[2]};
}

void TFractal::Assign(const TFractal* other) {
  if (!other) return;
  StopThread();
  const TFormulaContext& o = other->Ctx;
  Ctx.Number = o.Number;
  Ctx.BailOut = o.BailOut;
  Ctx.MaxIter = o.MaxIter;
  Ctx.P1 = o.P1;
  Ctx.P2 = o.P2;
  Ctx.P3 = o.P3;
  Ctx.PJ = o.PJ;
  Ctx.JulieSet = o.JulieSet;
  Ctx.Inverted = o.Inverted;
  Ctx.IFSNumber = o.IFSNumber;
  Ctx.IFScounter = o.IFScounter;
  Ctx.IFSColorStyle = o.IFSColorStyle;
  for (int k = 0; k < 3; ++k) Ctx.IFSSolid[k] = o.IFSSolid[k];
  Ctx.IFSquick = o.IFSquick;
  Ctx.FSet = o.FSet;
  Ctx.Filter = o.Filter;
  Ctx.Strange = o.Strange;
  Ctx.KeepBlk = o.KeepBlk;
  Ctx.FilterOnly = o.FilterOnly;
  for (int k = 0; k < kConstructorCoefCount; ++k) Ctx.Constructor[k] = o.Constructor[k];
  Ctx.Smoothing = o.Smoothing;
  Ctx.Double = o.Double;
  if (other->UserFormulaAttached) {
    if (UserFormulaAttached && UserModule && UserModule != other->UserModule) ReleaseUserModule();
    UserModule = other->UserModule;
    Ctx.UserFormula = o.UserFormula;
    UserFormulaAttached = true;
    if (other->UserLines) {
      if (!UserLines) UserLines = std::make_unique<std::vector<std::string>>();
      *UserLines = *other->UserLines;
    }
    SourcePath = other->SourcePath;
    ModulePath = other->ModulePath;
    NeedsCompile = other->NeedsCompile;
  }
  X0 = other->X0;
  Y0 = other->Y0;
  W0 = other->W0;
  FWindow = other->FWindow;
  Palette->Assign(*other->Palette);
  AutoIter = other->AutoIter;
  Ctx.Orbit = {0.001L, 0.001L};
  Restart();
}
