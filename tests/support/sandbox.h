// Throwaway places for tests: a temporary folder with files, and a private HKEY_CURRENT_USER.
#pragma once

#include <windows.h>

#include <string>

namespace kvtest {

// A name no other test process uses now (Wine reuses small process ids across servers).
std::wstring UniqueName(const wchar_t* stem);

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  [[nodiscard]] const std::wstring& path() const { return path_; }
  // Full path of a file in the folder.
  [[nodiscard]] std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  // Writes text as UTF-16LE with a byte-order mark, as the model files are kept.
  std::wstring Write(const std::wstring& name, const std::wstring& text) const;

 private:
  std::wstring path_;
};

// Points HKEY_CURRENT_USER of this process at a fresh temporary key, and back on exit.
class RegistrySandbox {
 public:
  RegistrySandbox();
  ~RegistrySandbox();
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

 private:
  std::wstring path_;
  HKEY key_ = nullptr;
};

// Registry helpers for assertions, relative to HKEY_CURRENT_USER.
bool KeyExists(const std::wstring& path);
void CreateKeyWithValue(const std::wstring& path, const wchar_t* value_name,
                        const std::wstring& value);
std::wstring ReadString(const std::wstring& path, const wchar_t* value_name);

}  // namespace kvtest
