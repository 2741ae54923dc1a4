// Pictures of windows as the user sees them, made headless: Wine's null display driver keeps
// no screen pixels, so each window of the tree paints itself (WM_PRINT) into its own bitmap,
// which is laid at its place; frames, edges and the caption are drawn around. The result is
// written as a PNG through the Windows Imaging Component.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pictures {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // top-down rows of 0xAARRGGBB

  [[nodiscard]] bool empty() const { return pixels.empty(); }
  // The number of different colours, at most `limit` counted.
  [[nodiscard]] size_t Colours(size_t limit = 64) const;
  // The share of pixels that differ from the most frequent colour (the background).
  [[nodiscard]] double Coverage() const;
};

// The window with its frame, caption and every visible descendant.
Picture Capture(HWND window);

// PNG files. Writing needs COM on the thread (it is initialised if it is not).
bool WritePng(const Picture& picture, const std::wstring& path);
Picture ReadPng(const std::wstring& path);

}  // namespace pictures
