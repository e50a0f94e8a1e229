#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/perturbation.h"
#include "formulas/vector_kernels.h"

namespace {

// The window `columns` x `rows` centred on (cx, cy), `w` wide.
TDeepWindow WindowAt(const char* cx, const char* cy, const char* w, int32_t columns, int32_t rows) {
  TDeepWindow window{TDeepReal(), TDeepReal(), TDeepReal()};
  EXPECT_TRUE(TDeepReal::Parse(w, 64, window.W));
  const mpfr_prec_t bits = DeepBitsFor(TDeepWindow{TDeepReal(1.0L, 64), TDeepReal(1.0L, 64), window.W}, columns) + 16;
  TDeepReal x(bits), y(bits);
  EXPECT_TRUE(TDeepReal::Parse(cx, bits, x));
  EXPECT_TRUE(TDeepReal::Parse(cy, bits, y));
  EXPECT_TRUE(TDeepReal::Parse(w, bits, window.W));
  const TDeepReal step = window.W / TDeepReal(Extended(columns - 1), bits);
  window.X = x - step * TDeepReal(Extended(columns - 1) / 2, bits);
  window.Y = y + step * TDeepReal(Extended(rows - 1) / 2, bits);
  return window;
}

// Restores the vector switches however the test ends.
struct TVectorSwitches {
  ~TVectorSwitches() { ForceScalarFastPath = ForceNarrowVectors = false; }
};

const char* const kMinibrotX =
    "-0.7451185733450277390581105048020452894110251221718812780675048532968082704400695892537828978270268"
    "43980410330711295596276606";
const char* const kMinibrotY =
    "0.13118639445053351244251423032194370888998182001700836266102086007805303665581891666459587535382728"
    "0893953755091247445683428";

TEST(DeepLanes, ColumnsGiveTheValuesAndStepsOfSinglePixels) {
  struct Row {
    int32_t number;
    bool julia;
    int32_t smoothing;
    bool approximate;
    int32_t prepared, maxIter;  // the iteration limits of the render and of the evaluation
    const char *cx, *cy, *w;
  } rows[] = {
      {0, false, 0, true, 2000, 2000, "0", "1", "1e-30"},
      {0, false, 3, true, 2000, 2000, "0", "1", "1e-30"},
      {0, false, 2, false, 2000, 2000, "0", "1", "1e-30"},
      {0, false, 0, true, 2000, 300, "0", "1", "1e-30"},
      {2, false, 0, true, 2000, 2000, "0.6299605249474365823836053036391141752851", "1.0911236359717214035600726141898088813259",
       "1e-26"},
      {2, false, 3, true, 2000, 2000, "0.6299605249474365823836053036391141752851", "1.0911236359717214035600726141898088813259",
       "1e-26"},
      {0, true, 0, true, 2000, 2000, "1.50194366571612166326740690071288008879821909",
       "-0.0623787565494804751395213326667782087838121769", "1e-30"},
      {0, true, 2, true, 2000, 2000, "1.50194366571612166326740690071288008879821909",
       "-0.0623787565494804751395213326667782087838121769", "1e-30"},
      // Beside a minibrot of period 2619, where pixels take long steps, leave
      // the reference and rebase many times before they escape.
      {0, false, 0, true, 100000, 100000, kMinibrotX, kMinibrotY, "8.276e-103"},
      {0, false, 2, true, 100000, 100000, kMinibrotX, kMinibrotY, "8.276e-103"},
      {0, false, 0, true, 100000, 20000, kMinibrotX, kMinibrotY, "8.276e-103"},
  };
  constexpr int32_t kColumns = 12, kRows = 45;
  TVectorSwitches restore;
  for (const Row& r : rows) {
    TFormulaContext ctx;
    ctx.Number = r.number;
    ctx.JulieSet = r.julia;
    ctx.PJ = {-0.75L, 0.125L};
    ctx.Smoothing = r.smoothing;
    ctx.MaxIter = r.prepared;
    TPerturbation deep;
    TDeepPrepare how;
    how.Approximate = r.approximate;
    ASSERT_TRUE(deep.Prepare(ctx, WindowAt(r.cx, r.cy, r.w, kColumns, kRows), kColumns, kColumns, kRows, how));
    ctx.MaxIter = r.maxIter;
    std::vector<TPixelChannels> single;
    int64_t singleSteps = 0;
    for (int32_t px = 0; px < kColumns; ++px)
      for (int32_t py = 0; py < kRows; ++py) single.push_back(deep.Evaluate(&ctx, px, py, &singleSteps));
    for (int unit = 0; unit < 3; ++unit) {
      ForceNarrowVectors = unit == 1;
      ForceScalarFastPath = unit == 2;
      SCOPED_TRACE(std::to_string(r.number) + (r.julia ? " julia" : "") + " smoothing " +
                   std::to_string(r.smoothing) + (r.approximate ? "" : " one by one") + " limit " +
                   std::to_string(r.maxIter) + " unit " + std::to_string(unit));
      std::vector<TPixelChannels> column(kRows);
      int64_t steps = 0;
      int32_t differ = 0;
      for (int32_t px = 0; px < kColumns; ++px) {
        deep.EvaluateColumn(&ctx, px, kRows, column.data(), &steps);
        for (int32_t py = 0; py < kRows; ++py)
          for (int k = 0; k < 3; ++k) differ += column[size_t(py)].Value[k] != single[size_t(px * kRows + py)].Value[k];
      }
      EXPECT_EQ(differ, 0);
      EXPECT_EQ(steps, singleSteps);
    }
  }
}

}  // namespace
