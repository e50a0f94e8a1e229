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

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// Reads the whole file. Returns false with errno-style `error` set when the
// file exists but cannot be read; `missing` tells that there is no file.
bool ReadWholeFile(const std::string& path, std::string& bytes, bool& missing, std::string& error) {
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
  bytes.clear();
  bytes.reserve(size_t(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      error = std::strerror(errno);
      close(fd);
      return false;
    }
    bytes.append(buffer, size_t(n));
  }
  close(fd);
  return true;
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
  std::string bytes;
  bool missing = false;
  std::string error;
  if (!ReadWholeFile(FPath, bytes, missing, error)) {
    FExisted = true;
    FReadError = error;
    return;
  }
  FExisted = !missing;
  Parse(bytes);
}

void TProfileFile::Parse(const std::string& bytes) {
  size_t pos = 0;
  while (pos < bytes.size()) {
    const size_t nl = bytes.find('\n', pos);
    TLine line;
    if (nl == std::string::npos) {
      line.Text = bytes.substr(pos);
      pos = bytes.size();
    } else {
      size_t end = nl;
      line.Eol = "\n";
      if (end > pos && bytes[end - 1] == '\r') {
        --end;
        line.Eol = "\r\n";
      }
      line.Text = bytes.substr(pos, end - pos);
      pos = nl + 1;
    }
    std::string_view name;
    if (Classify(line.Text, &name) == TLineKind::Header) {
      TSection section;
      section.Name = std::string(name);
      section.Header = std::move(line);
      FSections.push_back(std::move(section));
    } else if (FSections.empty()) {
      FPreamble.push_back(std::move(line));
    } else {
      FSections.back().Lines.push_back(std::move(line));
    }
  }
  for (TSection& s : FSections) IndexKeys(s);
  IndexSections();
}

void TProfileFile::IndexSections() {
  FSectionIndex.clear();
  for (size_t i = 0; i < FSections.size(); ++i) FSectionIndex.emplace(Lower(FSections[i].Name), i);
}

void TProfileFile::IndexKeys(TSection& section) {
  section.KeyIndex.clear();
  for (size_t i = 0; i < section.Lines.size(); ++i) {
    std::string_view name;
    if (Classify(section.Lines[i].Text, &name) == TLineKind::Key) section.KeyIndex.emplace(Lower(name), i);
  }
}

const TProfileFile::TSection* TProfileFile::FindSection(std::string_view section) const {
  const auto it = FSectionIndex.find(Lower(Trim(section)));
  return it == FSectionIndex.end() ? nullptr : &FSections[it->second];
}

TProfileFile::TSection* TProfileFile::FindSection(std::string_view section) {
  return const_cast<TSection*>(std::as_const(*this).FindSection(section));
}

const TProfileFile::TLine* TProfileFile::FindKey(std::string_view section, std::string_view key) const {
  const TSection* s = FindSection(section);
  if (!s) return nullptr;
  const auto it = s->KeyIndex.find(Lower(Trim(key)));
  return it == s->KeyIndex.end() ? nullptr : &s->Lines[it->second];
}

std::string TProfileFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  const TLine* line = FindKey(section, key);
  return std::string(line ? ValueOf(line->Text) : def);
}

int32_t TProfileFile::ReadInt(std::string_view section, std::string_view key, int32_t def) const {
  const TLine* line = FindKey(section, key);
  if (!line) return def;
  const std::string_view v = ValueOf(line->Text);
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
  const TLine* line = FindKey(section, key);
  if (!line) return def;
  std::string_view v = ValueOf(line->Text);
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

void TProfileFile::RequireReadable() const {
  if (!FReadError.empty()) throw TProfileError("Cannot read " + Quoted(FPath) + ": " + FReadError);
}

bool TProfileFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

bool TProfileFile::ValueExists(std::string_view section, std::string_view key) const {
  return FindKey(section, key) != nullptr;
}

std::vector<std::string> TProfileFile::SectionNames() const {
  std::vector<std::string> names;
  for (size_t i = 0; i < FSections.size(); ++i)
    if (FSectionIndex.at(Lower(FSections[i].Name)) == i) names.push_back(FSections[i].Name);
  return names;
}

std::vector<std::string> TProfileFile::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  const TSection* s = FindSection(section);
  if (!s) return names;
  for (size_t i = 0; i < s->Lines.size(); ++i) {
    std::string_view name;
    if (Classify(s->Lines[i].Text, &name) == TLineKind::Key && s->KeyIndex.at(Lower(name)) == i)
      names.emplace_back(name);
  }
  return names;
}

std::string TProfileFile::NewLineEnding() const {
  for (const TLine& l : FPreamble)
    if (!l.Eol.empty()) return l.Eol;
  for (const TSection& s : FSections) {
    if (!s.Header.Eol.empty()) return s.Header.Eol;
    for (const TLine& l : s.Lines)
      if (!l.Eol.empty()) return l.Eol;
  }
  return "\n";
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

  TSection* sec = FindSection(s);
  if (!sec) {
    // A new section goes at the end of the file, after a blank line.
    TLine* last = nullptr;
    if (!FSections.empty()) {
      TSection& prev = FSections.back();
      last = prev.Lines.empty() ? &prev.Header : &prev.Lines.back();
    } else if (!FPreamble.empty()) {
      last = &FPreamble.back();
    }
    if (last) {
      if (last->Eol.empty()) last->Eol = eol;
      if (Classify(last->Text) != TLineKind::Blank) {
        std::vector<TLine>& owner = FSections.empty() ? FPreamble : FSections.back().Lines;
        owner.push_back(TLine{"", eol});
      }
    }
    TSection added;
    added.Name = std::string(s);
    added.Header = TLine{"[" + added.Name + "]", eol};
    added.Lines.push_back(TLine{std::string(k) + "=" + std::string(value), eol});
    IndexKeys(added);
    FSections.push_back(std::move(added));
    FSectionIndex.emplace(Lower(s), FSections.size() - 1);
    FModified = true;
    return;
  }

  const auto it = sec->KeyIndex.find(Lower(k));
  if (it != sec->KeyIndex.end()) {
    // Keep the key as spelt in the file and the blanks around "=".
    TLine& line = sec->Lines[it->second];
    size_t start = line.Text.find('=') + 1;
    while (start < line.Text.size() && IsBlank(line.Text[start])) ++start;
    std::string text = line.Text.substr(0, start) + std::string(value);
    if (text != line.Text) {
      line.Text = std::move(text);
      FModified = true;
    }
    return;
  }

  // A new key goes after the last line of the section that is neither blank
  // nor a comment, so blank lines and comments leading into the next section
  // stay where they are.
  size_t at = 0;
  for (size_t i = sec->Lines.size(); i > 0; --i) {
    const TLineKind kind = Classify(sec->Lines[i - 1].Text);
    if (kind != TLineKind::Blank && kind != TLineKind::Comment) {
      at = i;
      break;
    }
  }
  TLine& before = at == 0 ? sec->Header : sec->Lines[at - 1];
  if (before.Eol.empty()) before.Eol = eol;
  sec->Lines.insert(sec->Lines.begin() + ptrdiff_t(at), TLine{std::string(k) + "=" + std::string(value), eol});
  // Only blank and comment lines follow the insertion point, so the other
  // key positions stay valid.
  sec->KeyIndex.emplace(Lower(k), at);
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
  TSection* sec = FindSection(section);
  if (!sec) return;
  const std::string k = Lower(Trim(key));
  if (sec->KeyIndex.find(k) == sec->KeyIndex.end()) return;
  std::vector<TLine> kept;
  kept.reserve(sec->Lines.size());
  for (TLine& line : sec->Lines) {
    std::string_view name;
    if (Classify(line.Text, &name) == TLineKind::Key && Lower(name) == k) continue;
    kept.push_back(std::move(line));
  }
  sec->Lines = std::move(kept);
  IndexKeys(*sec);
  FModified = true;
}

void TProfileFile::EraseSection(std::string_view section) {
  const std::string name = Lower(Trim(section));
  if (FSectionIndex.find(name) == FSectionIndex.end()) return;
  std::vector<TSection> kept;
  kept.reserve(FSections.size());
  for (TSection& s : FSections)
    if (Lower(s.Name) != name) kept.push_back(std::move(s));
  FSections = std::move(kept);
  IndexSections();
  FModified = true;
}

std::string TProfileFile::Text() const {
  std::string out;
  auto put = [&out](const TLine& l) {
    out += l.Text;
    out += l.Eol;
  };
  for (const TLine& l : FPreamble) put(l);
  for (const TSection& s : FSections) {
    put(s.Header);
    for (const TLine& l : s.Lines) put(l);
  }
  return out;
}

void TProfileFile::Save() {
  if (!FReadError.empty())
    throw TProfileError("Cannot write " + Quoted(FPath) + ": the existing file could not be read (" + FReadError +
                        ")");
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
