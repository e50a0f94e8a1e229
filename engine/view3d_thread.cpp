// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/view3d_thread.h"

#include <cstring>
#include <new>
#include <vector>

#include "engine/fractal.h"
#include "platform/named_mutex.h"

TThread3D::TThread3D(const TFractal& document, const TReliefSettings& settings, TClient client)
    : Document(document), Settings(settings), Client(std::move(client)) {
  Mutex = OpenNamedMutex(TFractal::RenderMutexName);
  if (!Mutex) return;
  Size = {document.Width, document.Height, document.BufWidth(), document.BufHeight()};
  ViewImage = Client.Resize ? Client.Resize(Size.BufWidth, Size.BufHeight) : nullptr;
  if (!ViewImage) return;
  Start();
}

TThread3D::~TThread3D() { Stop(); }

// Copies the document's pixel values on the main thread, where nothing can
// resize the document's buffers meanwhile. False when the document's buffer
// no longer has the size the view was made for (a render of the new size
// follows and restarts the view) or memory is short.
bool TThread3D::TakeValues() {
  bool ok = false;
  Synchronize([&] {
    if (Document.BufWidth() != Size.BufWidth || Document.BufHeight() != Size.BufHeight) return;
    Values.reset(new (std::nothrow) float[size_t(Size.BufWidth) * Size.BufHeight]);
    if (!Values) return;
    for (int32_t py = 0; py < Size.BufHeight; ++py)
      for (int32_t px = 0; px < Size.BufWidth; ++px)
        Values[size_t(py) * Size.BufWidth + px] = Document.PixelValue(px, py);
    ok = true;
  });
  return ok;
}

void TThread3D::Execute() {
  if (Mutex->Acquire(&TerminateFlag())) {
    PostMessage(Client.Target, MSG_VIEW3D_STATE, 0, 0);
    if (TakeValues()) {
      // The picture is drawn aside and handed over whole, so the window
      // never shows a half-drawn view.
      const size_t bytes = size_t(Size.BufWidth) * Size.BufHeight * 3;
      std::unique_ptr<uint8_t[]> image(new (std::nothrow) uint8_t[bytes]);
      const bool drawn = image && RenderRelief(Values.get(), Size, Settings, image.get(),
                                               [this](int32_t step, int32_t percent) {
                                                 if (TerminateRequested()) return false;
                                                 PostMessage(Client.Target, MSG_VIEW3D_PROGRESS, step, percent);
                                                 return true;
                                               });
      Values.reset();
      if (drawn && !TerminateRequested())
        Synchronize([&] {
          std::memcpy(ViewImage, image.get(), bytes);
          if (Client.Repaint) Client.Repaint();
        });
    }
    PostMessage(Client.Target, MSG_VIEW3D_STATE, 1, 0);
    Mutex->Release();
  }
}
