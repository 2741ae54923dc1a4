// The model checker, as a maker runs it on a model folder before shipping it:
//   kvcheck MODELDIR
// lists what the plug-in would miss or show wrong there, one line a finding and a summary
// line last; exit status 0 when clean, 1 with findings, 2 without a folder or plug-in. The
// dialog templates it measures captions in are the plug-in's, kvpsui.dll beside it.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/kvcheck/check_verb.h"

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::wstring> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(argv[i]);
  return kvcheck::VerbCheck(arguments);
}
