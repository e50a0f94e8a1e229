// SPDX-License-Identifier: GPL-3.0-or-later
#include "ifs/ifs_constructor.h"

#include <atomic>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "engine/fractal.h"
#include "platform/profile.h"

namespace {

constexpr Extended kValueLimit = 10000;
constexpr Extended kValueEpsilon = 1e-7L;
constexpr Extended kSpinStep = 0.1L;
constexpr int32_t kMinMultiplier = 10;

Extended ReadValue(std::string_view text) {
  if (text.empty()) return 0;
  try {
    return ParseReal(text);
  } catch (const TConvertError&) {
    return 0;
  }
}

bool ReadInteger(std::string_view text, int32_t& out) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  const char* end = text.data() + text.size();
  const auto [p, ec] = std::from_chars(text.data(), end, out);
  return !text.empty() && ec == std::errc() && p == end;
}

}  // namespace

Extended LeftTransformValue(std::string_view text) {
  const Extended v = ReadValue(text);
  if (v < -kValueLimit) return -kValueLimit;
  if (v > kValueLimit) return kValueLimit;
  if (std::fabs(v) < kValueEpsilon) return 0;
  return v;
}

Extended SpunTransformValue(std::string_view text, bool up) {
  return ReadValue(text) + (up ? kSpinStep : -kSpinStep);
}

int32_t MultiplierOfText(std::string_view text) {
  int32_t n = 0;
  if (!ReadInteger(text, n)) n = 0;
  return n < kMinMultiplier ? kMinMultiplier : n;
}

int32_t SpunMultiplier(std::string_view text, int32_t step) {
  int32_t n = 0;
  if (!ReadInteger(text, n)) n = kMinMultiplier;
  const int64_t v = int64_t(n) + step;
  if (v < kMinMultiplier) return kMinMultiplier;
  return v > INT32_MAX ? INT32_MAX : int32_t(v);
}

int32_t AddTransform(TWorkingIFS& set) {
  // The render thread reads the count while it draws.
  if (set.Count < kMaxIFSTransforms) std::atomic_ref<int32_t>(set.Count).store(set.Count + 1, std::memory_order_relaxed);
  return set.Count;
}

void DeleteTransform(TWorkingIFS& set, int32_t slot) {
  if (slot < 1 || slot > set.Count) return;
  for (int32_t i = slot; i < set.Count; ++i) set.Slots[i] = set.Slots[i + 1];
  --set.Count;
}

void StoreTransformField(TWorkingIFS& set, int32_t slot, int field, Extended value) {
  if (slot < 1 || slot > kMaxIFSTransforms || field < 0 || field >= kTransformFieldCount) return;
  if (!(std::fabs(value) <= FLT_MAX)) value = value < 0 ? -FLT_MAX : FLT_MAX;
  set.Slots[slot].*kTransformFields[field] = float(value);
}

std::string IFSFileProblem(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) return "Unable to open " + path + ":\r\nthe file does not exist.";
  if (!fs::is_regular_file(status)) return "Unable to open " + path + ":\r\nit is not a file.";
  if (!std::ifstream(path, std::ios::binary)) return "Unable to open " + path + ":\r\nthe file cannot be read.";
  return {};
}

TIFSFileLoad ReadIFSFileForConstructor(const std::string& path, const TWorkingIFS& current) {
  TIFSFileLoad load;
  load.Set = current;
  load.Warning = LoadIFSFile(path, load.Set, load.Values, nullptr);
  int32_t& n = load.Values.MaxIter;
  n = n < 0 ? 100 : (n > kMaxIterLimit ? kMaxIterLimit : n);
  return load;
}
