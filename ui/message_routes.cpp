// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/message_routes.h"

#include <utility>

void TMessageRoutes::Set(THandle target, THandler handler) {
  if (handler)
    Handlers[target] = std::move(handler);
  else
    Handlers.erase(target);
}

void TMessageRoutes::Deliver(const TMessage& m) const {
  if (auto route = Handlers.find(m.Target); route != Handlers.end()) route->second(m);
}
