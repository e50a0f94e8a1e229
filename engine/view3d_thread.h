// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TThread3D: draws the 3D view of the main document's image on a worker
// thread. It holds the render mutex for its whole run, so it never draws
// while the main document renders and the main document never renders while
// it draws. It reports to its window through posted messages.

#include <cstdint>
#include <functional>
#include <memory>

#include "engine/relief.h"
#include "platform/messages.h"
#include "platform/worker_thread.h"

class TFractal;
class TNamedMutex;

// To the 3D view, from the main window: the main image changed.
constexpr uint32_t MSG_VIEW3D_REFRESH = 0xB23;
// wParam 0 at the start of a view render, 1 at its end.
constexpr uint32_t MSG_VIEW3D_STATE = 0xB12;
// wParam the step 1 .. 3, lParam the percentage.
constexpr uint32_t MSG_VIEW3D_PROGRESS = 0xB24;

class TThread3D : public TWorkerThread {
 public:
  // What the thread needs from its window, all called on the main thread.
  struct TClient {
    THandle Target = 0;  // receives the state and progress messages
    // Sizes the view image to the document's buffer; the image (black), or
    // null when there is none.
    std::function<uint8_t*(int32_t bufWidth, int32_t bufHeight)> Resize;
    // The finished picture is in the view image: show it.
    std::function<void()> Repaint;
  };

  // Opens the render mutex by name; when it cannot be opened, or the view
  // image cannot be had, the thread is not started.
  TThread3D(const TFractal& document, const TReliefSettings& settings, TClient client);
  ~TThread3D() override;  // terminates and waits

 private:
  void Execute() override;
  bool TakeValues();

  const TFractal& Document;
  TReliefSettings Settings;
  TClient Client;
  std::shared_ptr<TNamedMutex> Mutex;
  uint8_t* ViewImage = nullptr;
  TReliefSize Size;
  std::unique_ptr<float[]> Values;
};
