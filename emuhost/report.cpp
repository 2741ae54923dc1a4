#include "emuhost/report.h"

#include <cstdio>
#include <cwchar>

namespace emuhost {
namespace {

// A text field shown as the text up to its terminator or its end.
std::wstring FieldText(const wchar_t* field, size_t units) {
  size_t n = 0;
  while (n < units && field[n] != L'\0') ++n;
  return L"\"" + std::wstring(field, n) + L"\"";
}

template <size_t N>
std::wstring FieldText(const wchar_t (&field)[N]) {
  return FieldText(field, N);
}

}  // namespace

void Print(const std::wstring& text) {
  if (text.empty()) return;
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes,
                      nullptr, nullptr);
  fwrite(utf8.data(), 1, utf8.size(), stdout);
  fflush(stdout);
}

void PrintLine(const std::wstring& text) { Print(text + L"\n"); }

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

std::wstring Hex(unsigned long value, int digits) {
  wchar_t buffer[24];
  swprintf(buffer, 24, L"0x%0*lX", digits, value);
  return buffer;
}

std::wstring HResultText(HRESULT hr) {
  switch (hr) {
    case S_OK: return L"S_OK";
    case S_FALSE: return L"S_FALSE";
    case E_FAIL: return L"E_FAIL";
    case E_NOTIMPL: return L"E_NOTIMPL";
    case E_NOINTERFACE: return L"E_NOINTERFACE";
    case E_OUTOFMEMORY: return L"E_OUTOFMEMORY";
    case CLASS_E_CLASSNOTAVAILABLE: return L"CLASS_E_CLASSNOTAVAILABLE";
    case CLASS_E_NOAGGREGATION: return L"CLASS_E_NOAGGREGATION";
    default: return Hex(static_cast<unsigned long>(hr));
  }
}

std::wstring DescribeRecord(const kv::PrivateDevmode& r) {
  struct Row {
    const wchar_t* name;
    std::wstring value;
  };
  const Row rows[] = {
      {L"dwSize", std::to_wstring(r.dwSize)},
      {L"dwSignature", Hex(r.dwSignature)},
      {L"dwVersion", std::to_wstring(r.dwVersion)},
      {L"iOemItemSel", std::to_wstring(r.iOemItemSel)},
      {L"wHoldMode", std::to_wstring(r.wHoldMode)},
      {L"szHoldUserID", FieldText(r.szHoldUserID)},
      {L"szHoldJobName", FieldText(r.szHoldJobName)},
      {L"szHoldPIN", FieldText(r.szHoldPIN)},
      {L"szHoldTime", FieldText(r.szHoldTime)},
      {L"dwColorCopies", std::to_wstring(r.dwColorCopies)},
      {L"pSheetLink", Hex(r.pSheetLink)},
      {L"wHddInstalled", std::to_wstring(r.wHddInstalled)},
      {L"wStapleOn", std::to_wstring(r.wStapleOn)},
      {L"wNupFlag", std::to_wstring(r.wNupFlag)},
      {L"iResolution", std::to_wstring(r.iResolution)},
      {L"bAdjustFlags", Hex(r.bAdjustFlags, 2)},
      {L"wCopiesSetting", std::to_wstring(r.wCopiesSetting)},
      {L"wPrinterHDD", std::to_wstring(r.wPrinterHDD)},
      {L"dwMonoCopies", std::to_wstring(r.dwMonoCopies)},
      {L"wSecureMode", std::to_wstring(r.wSecureMode)},
      {L"szHoldPassword", FieldText(r.szHoldPassword)},
      {L"szEncryptionKey", FieldText(r.szEncryptionKey)},
      {L"bRegionColor", std::to_wstring(r.bRegionColor)},
      {L"wJobAccounting", std::to_wstring(r.wJobAccounting)},
  };
  std::wstring text;
  for (const auto& row : rows) {
    std::wstring name = row.name;
    name.resize(16, L' ');
    text += L"  " + name + row.value + L"\n";
  }
  return text;
}

}  // namespace emuhost
