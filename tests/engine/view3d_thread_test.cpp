// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/view3d_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "engine/fractal.h"
#include "engine/render_thread.h"
#include "platform/messages.h"
#include "platform/named_mutex.h"
#include "tests/document_test_helpers.h"
#include "tests/engine/recording_canvas.h"

namespace {

constexpr THandle kView = 77;

// A main document with its render mutex, a view image and the messages the
// application queue receives.
class View3DThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SavedName = TFractal::RenderMutexName;
    TFractal::RenderMutexName = "Frac5150";
    Mutex = CreateNamedMutex(TFractal::RenderMutexName);
    MainQueue().DispatchPosted();
    MainQueue().SetDispatcher([this](const TMessage& m) { Log.push_back(m); });
    Doc = std::make_unique<TFractal>(-1, 0, 0, 0, 203, 150, &Canvas);
    Doc->MainDocument = true;
    Doc->ProgressFlag = true;
    Doc->SetFormula(0, -2.2L, 1.4L, 2.8L);
    WaitForRender(*Doc);
    MainQueue().ProcessPending();
    Log.clear();
  }
  void TearDown() override {
    Doc.reset();
    MainQueue().SetDispatcher(nullptr);
    CloseNamedMutex(TFractal::RenderMutexName);
    TFractal::RenderMutexName = SavedName;
  }

  std::unique_ptr<TThread3D> Start() {
    TThread3D::TClient client;
    client.Target = kView;
    client.Resize = [this](int32_t bw, int32_t bh) {
      Image.assign(size_t(bw) * bh * 3, 0);
      return Image.data();
    };
    client.Repaint = [this] { ++Repaints; };
    return std::make_unique<TThread3D>(*Doc, TReliefSettings{}, client);
  }

  std::vector<uint32_t> ViewMessages(std::vector<intptr_t>* states = nullptr) {
    std::vector<uint32_t> out;
    for (const TMessage& m : Log) {
      if (m.Target == kView && m.Msg == MSG_VIEW3D_STATE && states) states->push_back(m.WParam);
      if (m.Target == kView || m.Msg == MSG_RENDER_DONE) out.push_back(m.Msg);
    }
    return out;
  }

  std::string SavedName;
  std::shared_ptr<TNamedMutex> Mutex;
  TRecordingCanvas Canvas;
  std::unique_ptr<TFractal> Doc;
  std::vector<TMessage> Log;
  std::vector<uint8_t> Image;
  int Repaints = 0;
};

TEST_F(View3DThreadTest, WaitsForTheMainRenderAndDrawsAfterIt) {
  // The main render holds the mutex: the view does not start.
  ASSERT_TRUE(Mutex->Acquire());
  auto view = Start();
  ASSERT_TRUE(view->Started());
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  MainQueue().ProcessPending();
  EXPECT_TRUE(ViewMessages().empty());
  EXPECT_FALSE(view->Finished());
  Mutex->Release();
  view->WaitFor();
  MainQueue().ProcessPending();
  std::vector<intptr_t> states;
  const std::vector<uint32_t> seen = ViewMessages(&states);
  EXPECT_EQ(states, (std::vector<intptr_t>{0, 1}));
  EXPECT_EQ(std::count(seen.begin(), seen.end(), MSG_VIEW3D_PROGRESS), 150 + 149 + 150);  // BufHeight 152
  EXPECT_EQ(Repaints, 1);
  EXPECT_TRUE(std::any_of(Image.begin(), Image.end(), [](uint8_t b) { return b != 0; }));

  // A main render that runs first ends before the view starts drawing.
  Log.clear();
  Doc->SetWindow(-1.5L, 1, 2);
  MainQueue().RunUntil([&] {
    return Doc->RenderFinished() || std::any_of(Log.begin(), Log.end(), [](const TMessage& m) {
             return m.Msg == MSG_RENDER_PROGRESS;
           });
  });
  view = Start();
  WaitForRender(*Doc);
  view->WaitFor();
  MainQueue().ProcessPending();
  const std::vector<uint32_t> order = ViewMessages();
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.front(), MSG_RENDER_DONE);
  EXPECT_EQ(order.back(), MSG_VIEW3D_STATE);
  EXPECT_EQ(Repaints, 2);
}

TEST_F(View3DThreadTest, StopsPromptlyAndNeedsTheMutexAndAnImage) {
  // Terminated while it waits for the mutex: nothing drawn, nothing posted.
  ASSERT_TRUE(Mutex->Acquire());
  auto view = Start();
  view.reset();
  Mutex->Release();
  MainQueue().ProcessPending();
  EXPECT_TRUE(ViewMessages().empty());
  EXPECT_EQ(Repaints, 0);

  // Without a view image, or without the render mutex, no thread.
  TThread3D::TClient noImage;
  noImage.Resize = [](int32_t, int32_t) -> uint8_t* { return nullptr; };
  EXPECT_FALSE(TThread3D(*Doc, TReliefSettings{}, noImage).Started());
  CloseNamedMutex(TFractal::RenderMutexName);
  EXPECT_FALSE(Start()->Started());
}

}  // namespace
