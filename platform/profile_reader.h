// Reader of one plain-text profile file (model profile, version file, string table, hint
// file). Every read names its section: a model key's row, or the caller. Reads never fail: text
// reads fall back to a given text (the key's own name through ReadText), integer reads to a
// default. No file is held open; every read goes to the file anew, so edited model files take
// effect on the next read.
//
// A reader is plain data, so that it can live inside a block from the host's heap: a
// zero-filled reader has no file.
#pragma once

#include <windows.h>

#include <cstddef>

namespace kv {

constexpr size_t kTextUnits = 256;  // a string-table read
constexpr int kAbsentMarker = 0x12345678;

// A key the plug-in reads from a model's profile or version file: its section, name, default
// and the values the code can use. The rows are config/model_keys.h; the readers and the model
// checker take sections and names from them, so that what is checked is what is read.
enum class ModelFile { kProfile, kVersion };
enum class KeyKind { kInt, kText };

struct ModelKey {
  ModelFile file;
  const wchar_t* section;
  const wchar_t* name;
  KeyKind kind;
  int fallback;  // an integer key's default when absent
  int minimum;   // the values the code is built for (integer keys)
  int maximum;
  // A text key without an entry shows or uses its own name; an integer key without one
  // quietly takes its default.
  bool required;
};

struct ProfileReader {
  wchar_t szFile[260];  // empty until set; a reader without a file reads only defaults

  // Stores the path; a null path leaves the reader without a file. When asked, removes the
  // read-only attribute of an existing file.
  void SetFile(const wchar_t* path, bool clear_read_only = false);

  // A model key: an integer key's value with its row's default, a text key's text with its
  // name as the fallback.
  [[nodiscard]] int Read(const ModelKey& key) const;
  size_t ReadText(const ModelKey& key, wchar_t (&buffer)[kTextUnits]) const;

  // Reads that are no model key's (a string table's, whose sections are its dialogs'). A null
  // or empty section reads "Common".
  // The entry's text into buffer (size in units). An empty or missing entry gives the
  // fallback (cut to size - 1 units), or an empty text when there is none. Returns the length.
  size_t ReadString(const wchar_t* section, const wchar_t* key, wchar_t* buffer, size_t size,
                    const wchar_t* fallback) const;
  // ReadString into 256 units with the key itself as the fallback.
  size_t ReadText(const wchar_t* section, const wchar_t* key, wchar_t (&buffer)[kTextUnits]) const;
  // The entry's integer; the caller's default when absent (a default equal to the absent
  // marker reads as 0), and a stored value equal to the marker counts as absent.
  [[nodiscard]] int ReadInt(const wchar_t* section, const wchar_t* key, int fallback) const;
};

// A dialog's string-table section: "<word> Dialog"; empty for no word.
class DialogSection {
 public:
  explicit DialogSection(const wchar_t* word);
  operator const wchar_t*() const { return text_; }  // NOLINT: read where a section is
 private:
  wchar_t text_[260];
};

}  // namespace kv
