// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/byte_sink.h"

void TStringSink::WriteAt(uint64_t offset, std::string_view bytes) {
  const size_t at = size_t(offset);
  if (Bytes.size() < at + bytes.size()) Bytes.resize(at + bytes.size());
  Bytes.replace(at, bytes.size(), bytes);
}
