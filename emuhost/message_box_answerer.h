// Answers the message boxes that the plug-in shows on this thread, the way a user would:
// a CBT hook sees each box become active and presses the scripted button.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace emuhost {

class MessageBoxAnswerer {
 public:
  explicit MessageBoxAnswerer(int answer);
  ~MessageBoxAnswerer();
  MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
  MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

  // Caption and text of each box answered, in order.
  std::vector<std::wstring> seen;

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam);
  HHOOK hook_ = nullptr;
  int answer_;
};

}  // namespace emuhost
