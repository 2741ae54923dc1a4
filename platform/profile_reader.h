// Reader of one plain-text profile file (model profile, version file, string table, hint
// file) with a current section. Reads never fail: text reads fall back to a given text (the
// key's own name through ReadText), integer reads to a default. No file is held open; every
// read goes to the file anew, so edited model files take effect on the next read.
//
// A reader is plain data, so that it can live inside a block from the host's heap: a
// zero-filled reader has no file and no section.
#pragma once

#include <windows.h>

#include <cstddef>

namespace kv {

constexpr size_t kTextUnits = 256;  // a string-table read
constexpr int kAbsentMarker = 0x12345678;

struct ProfileReader {
  wchar_t szSection[260];  // empty reads section "Common"
  wchar_t szFile[260];     // empty until set; a reader without a file reads only defaults

  // Stores the path; a null path leaves the reader without a file. When asked, removes the
  // read-only attribute of an existing file.
  void SetFile(const wchar_t* path, bool clear_read_only = false);
  void SetSection(const wchar_t* name);
  // The section becomes "<name> Dialog".
  void SetDialogSection(const wchar_t* name);

  // The entry's text into buffer (size in units). An empty or missing entry gives the
  // fallback (cut to size - 1 units), or an empty text when there is none. Returns the length.
  size_t ReadString(const wchar_t* key, wchar_t* buffer, size_t size,
                    const wchar_t* fallback) const;
  // ReadString into 256 units with the key itself as the fallback.
  size_t ReadText(const wchar_t* key, wchar_t (&buffer)[kTextUnits]) const;
  // The entry's integer; the caller's default when absent (a default equal to the absent
  // marker reads as 0), and a stored value equal to the marker counts as absent.
  int ReadInt(const wchar_t* key, int fallback) const;

 private:
  const wchar_t* Section() const;
};

}  // namespace kv
