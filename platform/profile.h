// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Profile (INI) files: the settings, spot, palette, IFS and attractor files
// are text files of "[Section]" lines followed by "key=value" lines, read and
// written with the rules of the Windows private-profile functions:
//
// - Section and key names match without regard to ASCII case; names and
//   values are trimmed of surrounding blanks (space, tab, stray CR).
// - The first matching section wins, and within it the first matching key;
//   keys of a later section with the same name are never seen.
// - Lines starting with ';' are comments; lines without '=' inside a section
//   and lines before the first section are kept but hold no key.
// - A missing or unreadable file reads as empty: every read gives its default.
// - Writing changes only the line of the key written (a new key goes after the
//   last non-blank, non-comment line of its section, a new section at the end
//   of the file). Every other byte of the file is kept: comments, blank lines,
//   order, unknown sections, line endings, bytes above 127. New lines take the
//   line ending of the file's first line ("\n" in a new file).
// - Values are returned exactly as stored between the trimmed ends; quotes are
//   not stripped, so any value the program writes reads back unchanged (as
//   long as it has no blanks at its ends).
//
// Errors: every write that cannot be completed throws TProfileError, whose
// message names the file and the reason. The file is written to a temporary
// file in the same folder and renamed over the old one, so after a failure the
// old file is unchanged. Reads never throw, except the real-number reader,
// which throws TConvertError for text that is not a number.

#include <cstdint>
#include <deque>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "formulas/numbers.h"

// A profile file could not be written (or, before a write, could not be read,
// so writing would lose its content). The message names the file.
class TProfileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Text that should hold a number does not. The message quotes the text.
class TConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reals in files: general format with at most `digits` significant digits and
// "." as decimal separator whatever the locale. Fixed notation while the value
// has at most `digits` digits before the point and is at least 0.00001 in
// magnitude, otherwise "1.5E-7" / "2E20" style; trailing zeros dropped.
// 0.75 -> "0.75"; the float 0.05 widened -> "0.0500000007450580597".
std::string FormatReal(Extended value, int digits = 18);

// Parses a real written with "." (blanks around it allowed, optional sign,
// digits with an optional point, optional exponent), or what FormatReal
// writes for values that are not finite ("INF", "-INF", "NAN", in any case).
// Values below the normal extended range read as the nearest subnormal (or
// zero). Anything else, including an empty text and values beyond the
// extended range, throws
// TConvertError("'text' is not a valid floating point value").
Extended ParseReal(std::string_view text);

// One profile file held in memory: load once, read and change many keys, then
// Save() writes the whole file in one go.
class TProfileFile {
 public:
  // Loads the file. A missing file (or a path through a missing folder) gives
  // an empty profile; a file that exists but cannot be read also reads as
  // empty, and Save() then refuses to overwrite it.
  explicit TProfileFile(std::string path);
  // A profile held in memory (the spot a picture carries): `text` read as a
  // file's content is, `path` naming it in messages. With a `readError` it is
  // empty and unreadable for that reason, as a file that cannot be read is.
  // Save() never writes it.
  TProfileFile(std::string path, std::string_view text, std::string readError = {});
  // Pieces point into the object's own text: moving keeps them, copying
  // would not.
  TProfileFile(const TProfileFile&) = delete;
  TProfileFile& operator=(const TProfileFile&) = delete;
  TProfileFile(TProfileFile&&) = default;
  TProfileFile& operator=(TProfileFile&&) = default;

  const std::string& Path() const { return FPath; }
  bool Existed() const { return FExisted; }  // the file was there when loaded
  // Why a file that exists could not be read (no permission, a folder ...);
  // empty when it was read or is missing.
  const std::string& ReadError() const { return FReadError; }
  // Throws TProfileError naming the file and the reason when ReadError() is
  // not empty.
  void RequireReadable() const;
  bool Modified() const { return FModified; }

  // GetPrivateProfileString: the trimmed value, or `def` when the key is
  // missing.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // GetPrivateProfileInt: the leading decimal digits of the trimmed value
  // with an optional sign; no digits gives 0; a missing key gives `def`.
  // Values beyond the int32 range saturate.
  int32_t ReadInt(std::string_view section, std::string_view key, int32_t def) const;
  // Strict integer: the whole trimmed value must be a decimal integer in the
  // int32 range (or hexadecimal written "$1F" / "0x1F"); otherwise, and for a
  // missing key, `def`.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
  // Any non-zero strict integer is true; a missing or non-numeric value `def`.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  // The value (or `defText` when missing) parsed by ParseReal; throws
  // TConvertError naming the text, key, section and file.
  Extended ReadReal(std::string_view section, std::string_view key, std::string_view defText) const;
  // A real stored as a single: read as ReadReal, and a value beyond the
  // single range is refused like text that is not a number (a value that only
  // rounds past FLT_MAX, as 15 digits of it do, becomes FLT_MAX).
  float ReadSingle(std::string_view section, std::string_view key, std::string_view defText) const;
  // The error ReadReal gives for the value at section/key, for readers that
  // refuse a number the parser takes (out of their range, not finite).
  TConvertError NotAReal(std::string_view section, std::string_view key) const;

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // Names as written in the file, first occurrences only, in file order.
  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(std::string_view section) const;

  // Sets the value, replacing the first matching key or adding the key (and
  // its section) when missing. Throws TProfileError for names or values that
  // cannot be stored in the file: a line break anywhere, "=" in the key, "]"
  // in the section, an empty key or one starting with '[' or ';'.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInt(std::string_view section, std::string_view key, int64_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);
  // Writes FormatReal(value, digits).
  void WriteReal(std::string_view section, std::string_view key, Extended value, int digits = 18);
  // Removes every line of the key in the first matching section.
  void DeleteKey(std::string_view section, std::string_view key);
  // Removes every section of that name with all its lines.
  void EraseSection(std::string_view section);

  // Writes the file atomically when something changed (nothing is written
  // otherwise). Throws TProfileError; the old file is then unchanged and this
  // object keeps its changes, so Save() may be tried again.
  void Save();

  // The whole file as it would be saved.
  std::string Text() const;

 private:
  // A piece of the file's text made of whole lines with their endings (only
  // the file's last line may lack one): a header line, a key line, or a run
  // of lines that hold no key (blank lines, comments, other text), so that
  // lines without a key cost no memory of their own.
  struct TPiece {
    const char* Data;
    size_t Size;
    bool Key;
  };
  struct TSection {
    TPiece Header;
    std::string_view Name;     // trimmed, as written, within the header's text
    std::vector<TPiece> Body;  // the pieces after the header
  };
  static constexpr size_t kNone = size_t(-1);

  void Parse();
  void Reindex();
  // Index the section or key unless an earlier one of the same name is.
  void AddSectionEntry(size_t section);
  void AddKeyEntry(size_t section, size_t piece);
  size_t FindSection(std::string_view section) const;
  size_t FindKey(size_t section, std::string_view key) const;
  const TPiece* FindKeyPiece(std::string_view section, std::string_view key) const;
  TPiece Own(std::string text, bool key);
  TPiece WithLineEnding(const TPiece& piece, const std::string& eol);
  std::string NewLineEnding() const;

  std::string FPath;
  bool FExisted = false;
  bool FModified = false;
  bool FHeld = false;                // made from text, not read from FPath
  std::string FReadError;            // why an existing file could not be read
  std::vector<char> FText;           // the file as read; pieces point into it
  std::deque<std::string> FOwned;    // lines written since, at fixed places
  std::vector<TPiece> FPreamble;     // lines before the first section
  std::vector<TSection> FSections;
  // Hash indexes of the first section of each name and the first key of each
  // name within a section, open addressing over a power-of-two table; a slot
  // holds 0 when empty, otherwise 1 + the section number, or 1 + (section
  // number << 32 | piece number).
  std::vector<uint64_t> FSectionSlots, FKeySlots;
  size_t FSectionEntries = 0, FKeyEntries = 0;
};

// The numbers i in [0, limit), ascending, for which `names` holds `prefix`
// followed by i as the program writes it (decimal, no sign, no leading zero),
// the prefix matched without regard to ASCII case: which of "Str0", "Str1" ...
// or "IFS0", "IFS1" ... a file really holds.
std::vector<int32_t> PresentIndices(const std::vector<std::string>& names, std::string_view prefix, int32_t limit);

// The Windows-style free functions, each loading the file anew.
std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view def,
                                    const std::string& path);
int GetPrivateProfileInt(std::string_view section, std::string_view key, int def, const std::string& path);

// A null key erases the whole section; a null value deletes the key; a null
// section does nothing. Throws TProfileError when the file cannot be written.
void WritePrivateProfileString(const char* section, const char* key, const char* value, const std::string& path);
void WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& path);
