// Scripted message boxes and companion libraries.
#pragma once

#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "platform/library_loader.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "platform/system.h"

namespace kvtest {

class FakeMessageBoxes final : public kv::MessageBoxes {
 public:
  struct Shown {
    HWND owner;
    std::wstring text, caption;
    UINT type;
  };
  std::vector<int> answers;  // given in order; IDNO once they run out
  std::vector<Shown> shown;
  std::vector<UINT> beeps;

  int Show(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) override {
    shown.push_back({owner, text ? text : L"", caption ? caption : L"", type});
    if (shown.size() <= answers.size()) return answers[shown.size() - 1];
    return IDNO;
  }
  void Beep(UINT type) override { beeps.push_back(type); }
};

// A companion library made of a test's own function: "loading" hands out a token module,
// and the entry point is whatever the test scripts (or none).
class FakeLibraryLoader final : public kv::LibraryLoader {
 public:
  bool loads = true;
  FARPROC entry = nullptr;
  FARPROC ordinal_entry = nullptr;
  std::vector<WORD> ordinals;
  std::vector<std::wstring> loaded;
  std::vector<std::string> looked_up;
  int freed = 0;

  HMODULE Load(const wchar_t* path) override {
    loaded.push_back(path ? path : L"");
    return loads ? reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x5000)) : nullptr;
  }
  FARPROC Find(HMODULE, const char* name) override {
    looked_up.push_back(name ? name : "");
    return entry;
  }
  FARPROC FindOrdinal(HMODULE, WORD ordinal) override {
    ordinals.push_back(ordinal);
    return ordinal_entry;
  }
  void Free(HMODULE) override { ++freed; }
};

// A system of a chosen version, user, time, contrast and display scale.
class FakeSystem final : public kv::System {
 public:
  DWORD major = 10;
  std::wstring user = L"jsmith";
  SYSTEMTIME now = {2026, 12, 2, 8, 14, 30, 15, 250};
  bool contrast = false;
  int dpi = 96;

  DWORD MajorVersion() override { return major; }
  bool UserName(wchar_t* buffer, DWORD units) override {
    if (!buffer || units == 0) return false;
    if (user.size() + 1 > units) {
      buffer[0] = L'\0';
      return false;
    }
    wcscpy(buffer, user.c_str());
    return true;
  }
  void Now(SYSTEMTIME& time) override { time = now; }
  bool HighContrast() override { return contrast; }
  int ScreenDpi() override { return dpi; }
};

// A shell that records what it is asked to open and answers as scripted (33: opened).
class FakeShell final : public kv::Shell {
 public:
  struct Opened {
    std::wstring file, parameters;
    int show;
  };
  std::vector<INT_PTR> answers;  // in order; 33 once they run out
  std::vector<Opened> opened;

  INT_PTR Open(const wchar_t* file, const wchar_t* parameters, int show) override {
    opened.push_back({file ? file : L"", parameters ? parameters : L"(none)", show});
    return opened.size() <= answers.size() ? answers[opened.size() - 1] : 33;
  }
};

}  // namespace kvtest
