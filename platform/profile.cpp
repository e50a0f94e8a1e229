// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/profile.h"

#include <fcntl.h>
#include <locale.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <limits>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/atomic_file.h"

namespace {

enum class TLineKind { Blank, Comment, Header, Key, Other };

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return out;
}

// Classifies one line (without its ending); for headers and keys `name` is the
// trimmed section or key name.
TLineKind Classify(std::string_view text, std::string_view* name = nullptr) {
  const std::string_view t = Trim(text);
  if (t.empty()) return TLineKind::Blank;
  if (t[0] == ';') return TLineKind::Comment;
  if (t[0] == '[') {
    std::string_view rest = t.substr(1);
    const size_t close = rest.find(']');
    if (close != std::string_view::npos) rest = rest.substr(0, close);
    if (name) *name = Trim(rest);
    return TLineKind::Header;
  }
  const size_t eq = text.find('=');
  if (eq == std::string_view::npos) return TLineKind::Other;
  if (name) *name = Trim(text.substr(0, eq));
  return TLineKind::Key;
}

std::string_view ValueOf(std::string_view keyLine) { return Trim(keyLine.substr(keyLine.find('=') + 1)); }

std::string Quoted(std::string_view s) {
  std::string quoted = "\"";
  quoted += s;
  quoted += '"';
  return quoted;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// Reads the whole file. Returns false with errno-style `error` set when the
// file exists but cannot be read; `missing` tells that there is no file.
bool ReadWholeFile(const std::string& path, std::vector<char>& bytes, bool& missing, std::string& error) {
  missing = false;
  // Non-blocking, so that opening a FIFO cannot hang; only regular files are read.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      missing = true;
      return true;
    }
    error = std::strerror(errno);
    return false;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    error = std::strerror(errno);
    close(fd);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file";
    close(fd);
    return false;
  }
  // Read straight into the buffer; one byte more than the size shows the end
  // (a file that grows meanwhile is read whole all the same).
  bytes.resize(size_t(st.st_size) + 1);
  size_t used = 0;
  for (;;) {
    if (used == bytes.size()) bytes.resize(bytes.size() * 2);
    const ssize_t n = read(fd, bytes.data() + used, bytes.size() - used);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      error = std::strerror(errno);
      close(fd);
      return false;
    }
    used += size_t(n);
  }
  close(fd);
  bytes.resize(used);
  return true;
}

// Names match without regard to ASCII case.
char LowerChar(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerChar(a[i]) != LowerChar(b[i])) return false;
  return true;
}

uint64_t NameHash(std::string_view name, uint64_t seed) {
  uint64_t h = 14695981039346656037ull ^ (seed * 0x9E3779B97F4A7C15ull);
  for (char c : name) h = (h ^ uint8_t(LowerChar(c))) * 1099511628211ull;
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  return h;
}

// The slot holding the first value that `matches` (values are stored + 1),
// or the empty slot where one with this hash goes.
template <class Matches>
size_t Probe(const std::vector<uint64_t>& slots, uint64_t hash, Matches matches) {
  const size_t mask = slots.size() - 1;
  for (size_t i = size_t(hash) & mask;; i = (i + 1) & mask)
    if (slots[i] == 0 || matches(slots[i] - 1)) return i;
}

// Room for `entries` at most half full, so that adding keys later does not
// rehash at once.
size_t SlotCount(size_t entries) {
  size_t n = 8;
  while (n < entries * 2) n *= 2;
  return n;
}

// Adds `value` under `hash` unless a value that `matches` is there already,
// doubling the table when it would be more than three quarters full
// (`hashOf` gives the hash of a stored value).
template <class Matches, class HashOf>
void InsertFirst(std::vector<uint64_t>& slots, size_t& entries, uint64_t hash, uint64_t value, Matches matches,
                 HashOf hashOf) {
  if ((entries + 1) * 4 > slots.size() * 3) {
    std::vector<uint64_t> old(SlotCount(entries + 1), 0);
    old.swap(slots);
    for (const uint64_t v : old)
      if (v) slots[Probe(slots, hashOf(v - 1), [](uint64_t) { return false; })] = v;
  }
  const size_t slot = Probe(slots, hash, matches);
  if (slots[slot] != 0) return;
  slots[slot] = value + 1;
  ++entries;
}

// The text of a piece's last line without its ending, and its ending.
std::string_view LastLine(const char* data, size_t size, std::string_view* eol = nullptr) {
  std::string_view text(data, size), ending;
  if (!text.empty() && text.back() == '\n') {
    ending = text.substr(text.size() - 1);
    text.remove_suffix(1);
    if (!text.empty() && text.back() == '\r') {
      ending = std::string_view(text.data() + text.size() - 1, 2);
      text.remove_suffix(1);
    }
  }
  const size_t nl = text.rfind('\n');
  if (nl != std::string_view::npos) text.remove_prefix(nl + 1);
  if (eol) *eol = ending;
  return text;
}

// The trimmed name of a key line.
std::string_view KeyNameOf(const char* data, size_t size) {
  const std::string_view line(data, size);
  return Trim(line.substr(0, line.find('=')));
}

// Where a new key may follow in a run: just after its last line that is
// neither blank nor a comment, or null when there is none.
const char* AfterLastTextLine(const char* data, size_t size) {
  while (size > 0) {
    std::string_view eol;
    const std::string_view line = LastLine(data, size, &eol);
    const TLineKind kind = Classify(line);
    if (kind != TLineKind::Blank && kind != TLineKind::Comment) return data + size;
    size = size_t(line.data() - data);
  }
  return nullptr;
}

bool ParseDecimal(std::string_view s, bool negative, int32_t& out) {
  if (s.empty()) return false;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > int64_t(INT32_MAX) + 1) return false;
  }
  if (negative) v = -v;
  if (v < INT32_MIN || v > INT32_MAX) return false;
  out = int32_t(v);
  return true;
}

bool ParseHex(std::string_view s, bool negative, int32_t& out) {
  if (s.empty() || s.size() > 8) return false;
  uint32_t v = 0;
  for (char c : s) {
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * 16 + uint32_t(d);
  }
  // Hexadecimal values cover the 32-bit pattern: $FFFFFFFF is -1.
  if (negative) v = 0u - v;
  out = int32_t(v);
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Reals

std::string FormatReal(Extended value, int digits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  if (digits < 1) digits = 1;
  if (digits > 36) digits = 36;
  char buf[128];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, digits - 1);
  const std::string_view sci(buf, size_t(res.ptr - buf));  // "-d.ddde+XX"
  const bool negative = sci[0] == '-';
  const size_t ePos = sci.find('e');
  std::string mantissa;
  for (char c : sci.substr(negative ? 1 : 0, ePos - (negative ? 1 : 0)))
    if (c != '.') mantissa += c;
  int exponent = 0;
  std::from_chars(sci.data() + ePos + (sci[ePos + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();

  std::string out = negative ? "-" : "";
  if (exponent < digits && exponent >= -5) {
    if (exponent >= 0) {
      const size_t intDigits = size_t(exponent) + 1;
      if (mantissa.size() <= intDigits) {
        out += mantissa;
        out.append(intDigits - mantissa.size(), '0');
      } else {
        out += mantissa.substr(0, intDigits);
        out += '.';
        out += mantissa.substr(intDigits);
      }
    } else {
      out += "0.";
      out.append(size_t(-exponent - 1), '0');
      out += mantissa;
    }
  } else {
    out += mantissa[0];
    if (mantissa.size() > 1) {
      out += '.';
      out += mantissa.substr(1);
    }
    out += 'E';
    out += std::to_string(exponent);
  }
  return out;
}

Extended ParseReal(std::string_view text) {
  const std::string_view t = Trim(text);
  auto fail = [&]() -> Extended {
    throw TConvertError("'" + std::string(text) + "' is not a valid floating point value");
  };
  // FormatReal writes values that are not finite as "INF", "-INF" and "NAN";
  // they read back as such.
  const bool negative = !t.empty() && t[0] == '-';
  const std::string word = Lower(t.substr(!t.empty() && (t[0] == '+' || t[0] == '-') ? 1 : 0));
  if (word == "inf") return negative ? -HUGE_VALL : HUGE_VALL;
  if (word == "nan") return negative ? -std::numeric_limits<Extended>::quiet_NaN()
                                     : std::numeric_limits<Extended>::quiet_NaN();
  // Otherwise only plain decimal notation: sign, digits, point, exponent.
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t digitCount = 0;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digitCount;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++digitCount;
  }
  if (digitCount == 0) return fail();
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t expDigits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return fail();
  }
  if (i != t.size()) return fail();
  const char* begin = t.data() + (t[0] == '+' ? 1 : 0);
  Extended value = 0;
  const auto res = std::from_chars(begin, t.data() + t.size(), value, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // Out of range is either beyond the largest extended (refused) or below
    // the smallest normal one: subnormal values, and zero below those, are
    // numbers like any other. strtold rounds them correctly; the "C" locale
    // keeps "." the separator.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const std::string copy(begin, t.data() + t.size());
    value = strtold_l(copy.c_str(), nullptr, cLocale);
    if (!(std::fabs(value) < LDBL_MIN)) return fail();
    return value;
  }
  if (res.ec != std::errc() || res.ptr != t.data() + t.size() || !std::isfinite(value)) return fail();
  return value;
}

// ---------------------------------------------------------------------------
// TProfileFile

TProfileFile::TProfileFile(std::string path) : FPath(std::move(path)) {
  bool missing = false;
  std::string error;
  if (!ReadWholeFile(FPath, FText, missing, error)) {
    FExisted = true;
    FReadError = error;
    FText.clear();
  } else {
    FExisted = !missing;
  }
  Parse();
}

TProfileFile::TProfileFile(std::string path, std::string_view text, std::string readError)
    : FPath(std::move(path)), FExisted(true), FHeld(true), FReadError(std::move(readError)) {
  if (FReadError.empty()) FText.assign(text.begin(), text.end());
  Parse();
}

void TProfileFile::Parse() {
  const char* p = FText.data();
  const char* const end = p + FText.size();
  std::vector<TPiece>* body = &FPreamble;
  const char* run = nullptr;  // start of the run being gathered
  auto closeRun = [&](const char* upTo) {
    if (run) body->push_back(TPiece{run, size_t(upTo - run), false});
    run = nullptr;
  };
  while (p < end) {
    if (*p == '\n') {  // an empty line: the common case of long blank stretches
      if (!run) run = p;
      ++p;
      continue;
    }
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
    const char* next = nl ? nl + 1 : end;
    std::string_view text(p, size_t((nl ? nl : end) - p));
    if (nl && !text.empty() && text.back() == '\r') text.remove_suffix(1);
    std::string_view name;
    const TLineKind kind = Classify(text, &name);
    if (kind == TLineKind::Header) {
      closeRun(p);
      FSections.push_back(TSection{TPiece{p, size_t(next - p), false}, name, {}});
      body = &FSections.back().Body;
    } else if (kind == TLineKind::Key && body != &FPreamble) {
      closeRun(p);
      body->push_back(TPiece{p, size_t(next - p), true});
    } else if (!run) {
      run = p;
    }
    p = next;
  }
  closeRun(end);
  Reindex();
}

void TProfileFile::Reindex() {
  size_t keys = 0;
  for (const TSection& s : FSections)
    for (const TPiece& piece : s.Body) keys += piece.Key;
  FSectionSlots.assign(SlotCount(FSections.size()), 0);
  FKeySlots.assign(SlotCount(keys), 0);
  FSectionEntries = FKeyEntries = 0;
  for (size_t i = 0; i < FSections.size(); ++i) {
    AddSectionEntry(i);
    const std::vector<TPiece>& body = FSections[i].Body;
    for (size_t j = 0; j < body.size(); ++j)
      if (body[j].Key) AddKeyEntry(i, j);
  }
}

void TProfileFile::AddSectionEntry(size_t section) {
  const std::string_view name = FSections[section].Name;
  InsertFirst(
      FSectionSlots, FSectionEntries, NameHash(name, 0), section,
      [&](uint64_t v) { return SameName(FSections[v].Name, name); },
      [this](uint64_t v) { return NameHash(FSections[v].Name, 0); });
}

void TProfileFile::AddKeyEntry(size_t section, size_t piece) {
  auto nameOf = [this](uint64_t v) {
    const TPiece& p = FSections[v >> 32].Body[v & 0xFFFFFFFFu];
    return KeyNameOf(p.Data, p.Size);
  };
  const uint64_t value = uint64_t(section) << 32 | piece;
  const std::string_view name = nameOf(value);
  InsertFirst(
      FKeySlots, FKeyEntries, NameHash(name, section + 1), value,
      [&](uint64_t v) { return (v >> 32) == section && SameName(nameOf(v), name); },
      [&](uint64_t v) { return NameHash(nameOf(v), (v >> 32) + 1); });
}

size_t TProfileFile::FindSection(std::string_view section) const {
  const std::string_view name = Trim(section);
  const size_t slot = Probe(FSectionSlots, NameHash(name, 0),
                            [&](uint64_t v) { return SameName(FSections[v].Name, name); });
  return FSectionSlots[slot] ? size_t(FSectionSlots[slot] - 1) : kNone;
}

size_t TProfileFile::FindKey(size_t section, std::string_view key) const {
  const std::string_view name = Trim(key);
  const std::vector<TPiece>& body = FSections[section].Body;
  const size_t slot = Probe(FKeySlots, NameHash(name, section + 1), [&](uint64_t v) {
    if ((v >> 32) != section) return false;
    const TPiece& p = body[v & 0xFFFFFFFFu];
    return SameName(KeyNameOf(p.Data, p.Size), name);
  });
  return FKeySlots[slot] ? size_t((FKeySlots[slot] - 1) & 0xFFFFFFFFu) : kNone;
}

const TProfileFile::TPiece* TProfileFile::FindKeyPiece(std::string_view section, std::string_view key) const {
  const size_t s = FindSection(section);
  if (s == kNone) return nullptr;
  const size_t k = FindKey(s, key);
  return k == kNone ? nullptr : &FSections[s].Body[k];
}

TProfileFile::TPiece TProfileFile::Own(std::string text, bool key) {
  FOwned.push_back(std::move(text));
  return TPiece{FOwned.back().data(), FOwned.back().size(), key};
}

TProfileFile::TPiece TProfileFile::WithLineEnding(const TPiece& piece, const std::string& eol) {
  if (piece.Size > 0 && piece.Data[piece.Size - 1] == '\n') return piece;
  return Own(std::string(piece.Data, piece.Size) + eol, piece.Key);
}

std::string TProfileFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  const TPiece* line = FindKeyPiece(section, key);
  return std::string(line ? ValueOf(LastLine(line->Data, line->Size)) : def);
}

int32_t TProfileFile::ReadInt(std::string_view section, std::string_view key, int32_t def) const {
  const TPiece* line = FindKeyPiece(section, key);
  if (!line) return def;
  const std::string_view v = ValueOf(LastLine(line->Data, line->Size));
  size_t i = 0;
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
  int64_t n = 0;
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
    n = n * 10 + (v[i] - '0');
    if (n > int64_t(INT32_MAX) + 1) n = int64_t(INT32_MAX) + 1;  // saturate, keep scanning
  }
  if (negative) n = -n;
  if (n > INT32_MAX) n = INT32_MAX;
  return int32_t(n);
}

int32_t TProfileFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  const TPiece* line = FindKeyPiece(section, key);
  if (!line) return def;
  std::string_view v = ValueOf(LastLine(line->Data, line->Size));
  bool negative = false;
  if (!v.empty() && (v[0] == '+' || v[0] == '-')) {
    negative = v[0] == '-';
    v.remove_prefix(1);
  }
  int32_t out = def;
  bool ok;
  if (!v.empty() && v[0] == '$') ok = ParseHex(v.substr(1), negative, out);
  else if (v.size() > 1 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) ok = ParseHex(v.substr(2), negative, out);
  else ok = ParseDecimal(v, negative, out);
  return ok ? out : def;
}

bool TProfileFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

Extended TProfileFile::ReadReal(std::string_view section, std::string_view key, std::string_view defText) const {
  const std::string text = ReadString(section, key, defText);
  try {
    return ParseReal(text);
  } catch (const TConvertError& e) {
    throw TConvertError(std::string(e.what()) + " (key " + Quoted(Trim(key)) + " in section " +
                        Quoted(Trim(section)) + " of " + Quoted(FPath) + ")");
  }
}

TConvertError TProfileFile::NotAReal(std::string_view section, std::string_view key) const {
  std::string text = "'";
  text += ReadString(section, key, "");
  text += "' is not a valid floating point value (key ";
  text += Quoted(Trim(key));
  text += " in section ";
  text += Quoted(Trim(section));
  text += " of ";
  text += Quoted(FPath);
  text += ")";
  return TConvertError(text);
}

float TProfileFile::ReadSingle(std::string_view section, std::string_view key, std::string_view defText) const {
  // Half an ulp above the largest single: anything below rounds to a finite single.
  constexpr Extended kSingleLimit = 0x1.ffffffp127L;
  const Extended value = ReadReal(section, key, defText);
  if (!(std::fabs(value) < kSingleLimit)) throw NotAReal(section, key);
  if (std::fabs(value) > FLT_MAX) return value < 0 ? -FLT_MAX : FLT_MAX;
  return float(value);
}

void TProfileFile::RequireReadable() const {
  if (!FReadError.empty()) throw TProfileError("Cannot read " + Quoted(FPath) + ": " + FReadError);
}

bool TProfileFile::SectionExists(std::string_view section) const { return FindSection(section) != kNone; }

bool TProfileFile::ValueExists(std::string_view section, std::string_view key) const {
  return FindKeyPiece(section, key) != nullptr;
}

std::vector<std::string> TProfileFile::SectionNames() const {
  std::vector<std::string> names;
  for (size_t i = 0; i < FSections.size(); ++i)
    if (FindSection(FSections[i].Name) == i) names.emplace_back(FSections[i].Name);
  return names;
}

std::vector<std::string> TProfileFile::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  const size_t s = FindSection(section);
  if (s == kNone) return names;
  const std::vector<TPiece>& body = FSections[s].Body;
  for (size_t j = 0; j < body.size(); ++j) {
    if (!body[j].Key) continue;
    const std::string_view name = KeyNameOf(body[j].Data, body[j].Size);
    if (FindKey(s, name) == j) names.emplace_back(name);
  }
  return names;
}

std::string TProfileFile::NewLineEnding() const {
  auto endingOf = [](const TPiece& piece, std::string& eol) {
    const char* nl = static_cast<const char*>(std::memchr(piece.Data, '\n', piece.Size));
    if (!nl) return false;
    eol = nl > piece.Data && nl[-1] == '\r' ? "\r\n" : "\n";
    return true;
  };
  std::string eol = "\n";
  for (const TPiece& piece : FPreamble)
    if (endingOf(piece, eol)) return eol;
  for (const TSection& s : FSections) {
    if (endingOf(s.Header, eol)) return eol;
    for (const TPiece& piece : s.Body)
      if (endingOf(piece, eol)) return eol;
  }
  return eol;
}

void TProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view s = Trim(section), k = Trim(key);
  if (HasLineBreak(section) || s.find(']') != std::string_view::npos)
    throw TProfileError("Cannot write " + Quoted(FPath) + ": invalid section name " + Quoted(section));
  if (HasLineBreak(key) || k.empty() || k.find('=') != std::string_view::npos || k[0] == '[' || k[0] == ';')
    throw TProfileError("Cannot write " + Quoted(FPath) + ": invalid key name " + Quoted(key));
  if (HasLineBreak(value))
    throw TProfileError("Cannot write " + Quoted(FPath) + ": the value of key " + Quoted(k) +
                        " holds a line break");
  const std::string eol = NewLineEnding();
  const std::string keyLine = std::string(k) + "=" + std::string(value) + eol;

  const size_t si = FindSection(s);
  if (si == kNone) {
    // A new section goes at the end of the file, after a blank line.
    std::vector<TPiece>& owner = FSections.empty() ? FPreamble : FSections.back().Body;
    TPiece* last = !owner.empty() ? &owner.back() : !FSections.empty() ? &FSections.back().Header : nullptr;
    if (last) {
      *last = WithLineEnding(*last, eol);
      if (Classify(LastLine(last->Data, last->Size)) != TLineKind::Blank) owner.push_back(Own(eol, false));
    }
    const TPiece header = Own("[" + std::string(s) + "]" + eol, false);
    FSections.push_back(TSection{header, std::string_view(header.Data + 1, s.size()), {Own(keyLine, true)}});
    AddSectionEntry(FSections.size() - 1);
    AddKeyEntry(FSections.size() - 1, 0);
    FModified = true;
    return;
  }

  TSection& sec = FSections[si];
  std::vector<TPiece>& body = sec.Body;
  const size_t ki = FindKey(si, k);
  if (ki != kNone) {
    // Keep the key as spelt in the file, the blanks around "=" and the
    // line's ending.
    TPiece& line = body[ki];
    std::string_view ending;
    const std::string_view text = LastLine(line.Data, line.Size, &ending);
    size_t start = text.find('=') + 1;
    while (start < text.size() && IsBlank(text[start])) ++start;
    if (text.substr(start) != value) {
      line = Own(std::string(text.substr(0, start)) + std::string(value) + std::string(ending), true);
      FModified = true;
    }
    return;
  }

  // A new key goes after the last line of the section that is neither blank
  // nor a comment, so blank lines and comments leading into the next section
  // stay where they are.
  size_t at = 0;
  for (size_t i = body.size(); i > 0; --i) {
    const TPiece& piece = body[i - 1];
    if (piece.Key) {
      at = i;
      break;
    }
    const char* split = AfterLastTextLine(piece.Data, piece.Size);
    if (split) {
      const TPiece rest{split, size_t(piece.Data + piece.Size - split), false};
      body[i - 1].Size = size_t(split - piece.Data);
      if (rest.Size > 0) body.insert(body.begin() + ptrdiff_t(i), rest);
      at = i;
      break;
    }
  }
  TPiece& before = at == 0 ? sec.Header : body[at - 1];
  before = WithLineEnding(before, eol);
  body.insert(body.begin() + ptrdiff_t(at), Own(keyLine, true));
  // Only pieces without keys follow, so the indexed key positions stay.
  AddKeyEntry(si, at);
  FModified = true;
}

void TProfileFile::WriteInt(std::string_view section, std::string_view key, int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void TProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TProfileFile::WriteReal(std::string_view section, std::string_view key, Extended value, int digits) {
  WriteString(section, key, FormatReal(value, digits));
}

void TProfileFile::DeleteKey(std::string_view section, std::string_view key) {
  const size_t s = FindSection(section);
  if (s == kNone || FindKey(s, key) == kNone) return;
  const std::string_view k = Trim(key);
  std::vector<TPiece>& body = FSections[s].Body;
  std::erase_if(body, [&](const TPiece& p) { return p.Key && SameName(KeyNameOf(p.Data, p.Size), k); });
  Reindex();
  FModified = true;
}

void TProfileFile::EraseSection(std::string_view section) {
  if (FindSection(section) == kNone) return;
  const std::string_view name = Trim(section);
  std::erase_if(FSections, [&](const TSection& s) { return SameName(s.Name, name); });
  Reindex();
  FModified = true;
}

std::string TProfileFile::Text() const {
  size_t size = 0;
  auto count = [&size](const std::vector<TPiece>& pieces) {
    for (const TPiece& p : pieces) size += p.Size;
  };
  count(FPreamble);
  for (const TSection& s : FSections) {
    size += s.Header.Size;
    count(s.Body);
  }
  std::string out;
  out.reserve(size);
  auto put = [&out](const TPiece& p) { out.append(p.Data, p.Size); };
  for (const TPiece& p : FPreamble) put(p);
  for (const TSection& s : FSections) {
    put(s.Header);
    for (const TPiece& p : s.Body) put(p);
  }
  return out;
}

void TProfileFile::Save() {
  if (!FReadError.empty())
    throw TProfileError("Cannot write " + Quoted(FPath) + ": the existing file could not be read (" + FReadError +
                        ")");
  if (FHeld) throw TProfileError("Cannot write " + Quoted(FPath) + ": the profile is held in memory only");
  if (!FModified) return;
  // Write through a symbolic link to the file it names, keeping the link.
  std::string target = FPath;
  std::error_code ec;
  if (std::filesystem::is_symlink(FPath, ec)) {
    const auto resolved = std::filesystem::weakly_canonical(FPath, ec);
    if (!ec) target = resolved.string();
  }
  try {
    WriteFileAtomic(target, Text());
  } catch (const TFileWriteError& e) {
    throw TProfileError(e.what());
  }
  FModified = false;
  FExisted = true;
}

// ---------------------------------------------------------------------------
// Free functions

std::vector<int32_t> PresentIndices(const std::vector<std::string>& names, std::string_view prefix, int32_t limit) {
  std::vector<int32_t> found;
  const std::string lowerPrefix = Lower(prefix);
  for (const std::string& name : names) {
    if (name.size() <= prefix.size() || Lower(std::string_view(name).substr(0, prefix.size())) != lowerPrefix) continue;
    const std::string_view digits = std::string_view(name).substr(prefix.size());
    if (digits[0] < '0' || digits[0] > '9' || (digits.size() > 1 && digits[0] == '0')) continue;
    int32_t i = 0;
    const auto res = std::from_chars(digits.data(), digits.data() + digits.size(), i);
    if (res.ec != std::errc() || res.ptr != digits.data() + digits.size() || i < 0 || i >= limit) continue;
    found.push_back(i);
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view def,
                                    const std::string& path) {
  return TProfileFile(path).ReadString(section, key, def);
}

int GetPrivateProfileInt(std::string_view section, std::string_view key, int def, const std::string& path) {
  return TProfileFile(path).ReadInt(section, key, def);
}

void WritePrivateProfileString(const char* section, const char* key, const char* value, const std::string& path) {
  if (!section) return;
  TProfileFile file(path);
  if (!key) file.EraseSection(section);
  else if (!value) file.DeleteKey(section, key);
  else file.WriteString(section, key, value);
  file.Save();
}

void WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& path) {
  TProfileFile file(path);
  file.WriteString(section, key, value);
  file.Save();
}
