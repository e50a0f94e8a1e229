// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "engine/fractal.h"
#include "engine/view_history.h"

namespace {

std::array<std::string, 3> Texts(const TFractal& doc) { return doc.ViewWindow().Texts(); }

}  // namespace

TEST(ViewHistory, UndoAndRedoWalkADeepZoomAndParametersExactly) {
  TFractal doc(0, -2.2L, 1.4L, 2.8L, 40, 30, nullptr);
  TViewHistory history;
  ASSERT_TRUE(history.Record(doc));
  EXPECT_FALSE(history.Record(doc));  // the same state is kept once
  EXPECT_FALSE(history.CanUndo());

  // 150 zooms by 2 towards a point: far past what X, Y, W resolve.
  std::vector<std::array<std::string, 3>> views{Texts(doc)};
  for (int i = 0; i < 150; ++i) {
    doc.MoveWindow({.Column = 13.0L + i % 7, .Row = 11.0L, .Zoom = 0.5L, .Spans = 39});
    ASSERT_TRUE(history.Record(doc));
    views.push_back(Texts(doc));
  }
  ASSERT_TRUE(doc.ViewWindow().IsDeep());
  // The parameters: Julia mode with its seed, an iteration limit, a palette
  // recoloured without a render (taken in by the undo itself).
  doc.SetProperty(8, true);
  doc.SetJuliaPoint(-0.75L, 0.1L);
  history.Record(doc);
  doc.AutoIter = false;
  doc.SetMaxIter(777);
  history.Record(doc);
  doc.Palette->RedStep = 3;
  doc.Palette->Rebuild();

  ASSERT_TRUE(history.Undo(doc));
  EXPECT_EQ(doc.Palette->RedStep, 8);
  EXPECT_EQ(doc.Ctx.MaxIter, 777);
  ASSERT_TRUE(history.Undo(doc));
  EXPECT_TRUE(doc.AutoIter);
  EXPECT_TRUE(doc.Ctx.JulieSet);
  ASSERT_TRUE(history.Undo(doc));
  EXPECT_FALSE(doc.Ctx.JulieSet);
  EXPECT_EQ(Texts(doc), views.back());
  for (size_t i = views.size() - 1; i-- > 0;) {
    ASSERT_TRUE(history.Undo(doc));
    ASSERT_EQ(Texts(doc), views[i]) << i;
  }
  EXPECT_FALSE(history.Undo(doc));
  EXPECT_EQ(doc.W, 2.8L);

  for (size_t i = 1; i < views.size(); ++i) {
    ASSERT_TRUE(history.Redo(doc));
    ASSERT_EQ(Texts(doc), views[i]) << i;
  }
  ASSERT_TRUE(history.Redo(doc));
  EXPECT_TRUE(doc.Ctx.JulieSet);
  EXPECT_EQ(doc.Ctx.PJ.re, -0.75L);
  history.Redo(doc);
  ASSERT_TRUE(history.Redo(doc));
  EXPECT_EQ(doc.Palette->RedStep, 3);
  EXPECT_FALSE(history.Redo(doc));
}

TEST(ViewHistory, KeepsItsDepthAndANewChangeDropsTheRedoTail) {
  struct Case {
    size_t Depth, Records, Undos;
    size_t Count, UndoSteps, RedoSteps;
  } cases[] = {
      {5, 3, 0, 3, 2, 0},  {5, 8, 0, 5, 4, 0},    {5, 8, 2, 5, 2, 2},
      {5, 8, 9, 5, 0, 4},  {1, 4, 1, 1, 0, 0},    {0, 2, 0, 1, 0, 0},  // depth 0 keeps one
  };
  for (const Case& c : cases) {
    TFractal doc(0, -2.2L, 1.4L, 2.8L, 40, 30, nullptr);
    TViewHistory history(c.Depth);
    for (size_t i = 0; i < c.Records; ++i) {
      doc.SetWindow(-2.0L, 1.0L, 1.0L + Extended(i));
      history.Record(doc);
    }
    for (size_t i = 0; i < c.Undos; ++i) history.Undo(doc);
    EXPECT_EQ(history.Count(), c.Count) << c.Depth << " " << c.Records << " " << c.Undos;
    EXPECT_EQ(history.UndoSteps(), c.UndoSteps) << c.Depth << " " << c.Records << " " << c.Undos;
    EXPECT_EQ(history.RedoSteps(), c.RedoSteps) << c.Depth << " " << c.Records << " " << c.Undos;
  }

  // After two undos a new view replaces the two states redo would give.
  TFractal doc(0, -2.2L, 1.4L, 2.8L, 40, 30, nullptr);
  TViewHistory history;
  for (int i = 0; i < 4; ++i) {
    doc.SetWindow(-2.0L, 1.0L, 1.0L + i);
    history.Record(doc);
  }
  history.Undo(doc);
  history.Undo(doc);
  EXPECT_EQ(doc.W, 2.0L);
  doc.SetWindow(-1.0L, 1.0L, 0.5L);
  ASSERT_TRUE(history.Record(doc));
  EXPECT_FALSE(history.CanRedo());
  EXPECT_EQ(history.Count(), 3u);
  history.Undo(doc);
  EXPECT_EQ(doc.W, 2.0L);
  // An undo of an unrecorded change keeps it for redo and drops the old tail.
  doc.SetWindow(-1.0L, 1.0L, 0.25L);
  ASSERT_TRUE(history.Undo(doc));
  EXPECT_EQ(doc.W, 2.0L);
  ASSERT_TRUE(history.Redo(doc));
  EXPECT_EQ(doc.W, 0.25L);
  EXPECT_FALSE(history.CanRedo());
}
