// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where an encoder puts the bytes of a file: appended at the end, or placed
// at a given offset (a file whose parts are not written in order, as a
// bottom-up bitmap written from its top row).

#include <cstdint>
#include <string>
#include <string_view>

class TByteSink {
 public:
  virtual ~TByteSink() = default;
  // Writes the bytes after the last byte written so far.
  virtual void Append(std::string_view bytes) = 0;
  // Writes the bytes at `offset`; a gap between the end and `offset` reads
  // as zero bytes.
  virtual void WriteAt(uint64_t offset, std::string_view bytes) = 0;
};

// The bytes kept in memory.
class TStringSink final : public TByteSink {
 public:
  void Append(std::string_view bytes) override { Bytes.append(bytes); }
  void WriteAt(uint64_t offset, std::string_view bytes) override;
  std::string Bytes;
};
