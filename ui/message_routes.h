// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the posted messages of the program's windows go: each window handle
// has at most one handler, which the main window's dispatcher calls.

#include <functional>
#include <map>

#include "platform/messages.h"

class TMessageRoutes {
 public:
  using THandler = std::function<void(const TMessage&)>;

  // A null handler removes the route of `target`.
  void Set(THandle target, THandler handler);
  // Hands `message` to the handler of its target, when there is one.
  void Deliver(const TMessage& message) const;

 private:
  std::map<THandle, THandler> Handlers;
};
