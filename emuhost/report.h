// What the emulated host shows: UTF-8 lines on standard output, and the private record
// field by field.
#pragma once

#include <windows.h>

#include <string>

#include "devmode/private_devmode.h"

namespace emuhost {

// Writes UTF-16 text to standard output as UTF-8.
void Print(const std::wstring& text);
void PrintLine(const std::wstring& text = L"");

std::wstring Hex(unsigned long value, int digits = 8);
// A window's class name and its text (the first 511 characters).
std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);
std::wstring HResultText(HRESULT hr);

// Every field of the record by name, texts as text.
std::wstring DescribeRecord(const kv::PrivateDevmode& record);

}  // namespace emuhost
