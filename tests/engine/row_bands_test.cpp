// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/fractal.h"
#include "engine/view_window.h"
#include "tests/document_test_helpers.h"
#include "tests/engine/recording_canvas.h"

namespace {

struct TRendered {
  std::vector<uint8_t> Image;  // rows top-down, the buffer's width
  std::vector<float> Values;
};

// Renders the view into `doc`, collecting the bands it hands over when it
// renders in bands, else its whole buffers.
TRendered Render(TFractal& doc, int32_t number, bool fast, const std::string (&window)[3]) {
  TRendered out;
  const int32_t bw = doc.BufWidth();
  doc.OnBand = [&](TFractal* d, int32_t, int32_t rows) {
    for (int32_t r = 0; r < rows; ++r) {
      const uint8_t* row = d->ImageBuffer() + size_t(d->BufHeight() - 1 - r) * bw * 3;
      out.Image.insert(out.Image.end(), row, row + size_t(bw) * 3);
      const float* values = d->ValueBuffer() + size_t(r) * bw * 3;
      out.Values.insert(out.Values.end(), values, values + size_t(bw) * 3);
    }
  };
  TFractal::UseFastArithmetic = fast;
  TViewWindow view;
  EXPECT_EQ(ParseViewWindow(window, view), -1);
  doc.SetFormula(number, view.X(), view.Y(), view.W());
  doc.SetWindow(view);
  WaitForRender(doc);
  TFractal::UseFastArithmetic = false;
  if (doc.RowBands().Height == 0)
    for (int32_t r = 0; r < doc.BufHeight(); ++r) {
      const uint8_t* row = doc.ImageBuffer() + size_t(doc.BufHeight() - 1 - r) * bw * 3;
      out.Image.insert(out.Image.end(), row, row + size_t(bw) * 3);
      out.Values.insert(out.Values.end(), doc.ValueBuffer() + size_t(r) * bw * 3,
                        doc.ValueBuffer() + size_t(r + 1) * bw * 3);
    }
  return out;
}

}  // namespace

// Rows of a banded render are those of the whole picture, bit for bit: the
// fast path's vector parts, the deep render's reference at the picture's
// centre and its automatic limit all follow the whole picture, not the band.
TEST(RowBands, BandsHoldTheWholePicturesPixels) {
  struct Row {
    int32_t number;
    bool fast;
    std::string window[3];
  } rows[] = {
      {0, false, {"-0.8", "0.2", "0.1"}},
      {0, true, {"-2.2", "1.4", "2.8"}},
      {5, true, {"-1.5", "1.2", "2.4"}},
      {1, false, {"-1.6", "1.6", "3.2"}},
      // Past what doubles resolve: the deep render with the automatic limit.
      {0, false, {"-0.743643887037158704752191506114774", "0.131825904205311970493132056385139", "1e-30"}},
      {0, true, {"-0.743643887037158704752191506114774", "0.131825904205311970493132056385139", "1e-30"}},
  };
  constexpr int32_t kWidth = 61, kHeight = 301;  // 304 padded rows: vector parts of 256 cross bands
  const TFractal::TRowBands bands{17, 280, 13};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.number);
    SCOPED_TRACE(r.window[2]);
    TRecordingCanvas canvas;
    TFractal whole(-1, 0, 0, 0, kWidth, kHeight, &canvas);
    const TRendered expected = Render(whole, r.number, r.fast, r.window);
    TFractal banded(-1, 0, 0, 0, 0, 0, &canvas);
    banded.SetRowBands(bands);
    banded.SetSize(kWidth, kHeight);
    ASSERT_EQ(banded.BufHeight(), bands.Height);
    const TRendered got = Render(banded, r.number, r.fast, r.window);
    EXPECT_EQ(banded.Ctx.MaxIter, whole.Ctx.MaxIter);
    const size_t row = size_t(whole.BufWidth()) * 3;
    ASSERT_EQ(got.Image.size(), row * bands.Count);
    EXPECT_EQ(0, std::memcmp(got.Image.data(), expected.Image.data() + row * bands.First, got.Image.size()));
    EXPECT_EQ(0, std::memcmp(got.Values.data(), expected.Values.data() + row * bands.First,
                             got.Values.size() * sizeof(float)));
  }
}

// A picture whose buffers the process cannot have is refused before any of
// them is taken, with the size it asked for.
TEST(RowBands, BuffersPastTheMemoryThereIsAreRefused) {
  TMessageRecorder messages;
  TRecordingCanvas canvas;
  // 15 bytes a pixel: far more than any machine can give.
  TFractal doc(0, -2.2L, 1.4L, 2.8L, 1000000, 1000000, &canvas);
  ASSERT_EQ(messages.Shown.size(), 1u);
  EXPECT_EQ(messages.Shown[0], "Unable to get 3,000,000,000,000 bytes: out of memory");
  EXPECT_EQ(doc.ImageBuffer(), nullptr);
  EXPECT_EQ(doc.ValueBuffer(), nullptr);
  // The same picture in bands of 10 rows takes 15 MB.
  TFractal banded(-1, 0, 0, 0, 0, 0, &canvas);
  banded.SetRowBands({0, 0, 10});
  banded.SetSize(1000000, 1000000);
  EXPECT_EQ(messages.Shown.size(), 1u);
  EXPECT_EQ(banded.BufHeight(), 10);
  EXPECT_NE(banded.ImageBuffer(), nullptr);
}
