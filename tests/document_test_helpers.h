// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What tests of documents share: waiting for a render to end and catching
// the messages a document shows.

#include <string>
#include <vector>

#include "engine/fractal.h"
#include "engine/render_thread.h"
#include "platform/dialogs.h"

inline void WaitForRender(TFractal& doc) {
  if (TFThread* t = doc.RenderThread()) t->WaitFor();
}

// Collects the messages shown while it lives instead of showing them.
class TMessageRecorder {
 public:
  TMessageRecorder() { Old = SetMessageHandler([this](const std::string& t) { Shown.push_back(t); }); }
  ~TMessageRecorder() { SetMessageHandler(Old); }
  std::vector<std::string> Shown;

 private:
  TMessageHandler Old;
};
