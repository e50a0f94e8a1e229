// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/dialogs.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex HandlerLock;

void WriteToStderr(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

TMessageHandler& Handler() {
  static TMessageHandler handler = WriteToStderr;
  return handler;
}

}  // namespace

void ShowMessage(const std::string& text) {
  TMessageHandler handler;
  {
    std::lock_guard<std::mutex> guard(HandlerLock);
    handler = Handler();
  }
  handler(text);
}

TMessageHandler SetMessageHandler(TMessageHandler handler) {
  std::lock_guard<std::mutex> guard(HandlerLock);
  TMessageHandler old = std::move(Handler());
  Handler() = handler ? std::move(handler) : TMessageHandler(WriteToStderr);
  return old;
}
