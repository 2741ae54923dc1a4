#include "tests/support/sandbox.h"

#include <shlwapi.h>

#include <gtest/gtest.h>

namespace kvtest {

std::wstring UniqueName(const wchar_t* stem) {
  static LONG counter = 0;
  LARGE_INTEGER ticks;
  QueryPerformanceCounter(&ticks);
  return std::wstring(stem) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(ticks.QuadPart) + L"-" + std::to_wstring(InterlockedIncrement(&counter));
}

TempDir::TempDir() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  path_ = std::wstring(base) + UniqueName(L"kvtest");
  if (!CreateDirectoryW(path_.c_str(), nullptr)) ADD_FAILURE() << "cannot create temp dir";
}

TempDir::~TempDir() {
  std::wstring from = path_;
  from.push_back(L'\0');  // SHFileOperation takes a double-terminated list
  SHFILEOPSTRUCTW op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  SHFileOperationW(&op);
}

std::wstring TempDir::Write(const std::wstring& name, const std::wstring& text) const {
  const std::wstring path = File(name);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "cannot write temp file";
    return path;
  }
  const wchar_t bom = 0xFEFF;
  DWORD written = 0;
  WriteFile(file, &bom, sizeof bom, &written, nullptr);
  WriteFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
            nullptr);
  CloseHandle(file);
  return path;
}

RegistrySandbox::RegistrySandbox() : path_(L"Software\\KVTestSandbox\\" + UniqueName(L"hkcu")) {
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key_, nullptr) != ERROR_SUCCESS ||
      RegOverridePredefKey(HKEY_CURRENT_USER, key_) != ERROR_SUCCESS)
    ADD_FAILURE() << "cannot sandbox HKEY_CURRENT_USER";
}

RegistrySandbox::~RegistrySandbox() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  if (key_) RegCloseKey(key_);
  SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
}

bool KeyExists(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

void CreateKeyWithValue(const std::wstring& path, const wchar_t* value_name,
                        const std::wstring& value) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  if (value_name)
    RegSetValueExW(key, value_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

std::wstring ReadString(const std::wstring& path, const wchar_t* value_name) {
  wchar_t buffer[512] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), value_name, RRF_RT_REG_SZ, nullptr, buffer,
                   &size) != ERROR_SUCCESS)
    return L"<missing>";
  return buffer;
}

}  // namespace kvtest
