// A watchdog over a verb's runs, made one at a time on one thread: a run that has not ended in
// 60 s is reported (its seed with the command that replays it, the phase it was at, the file it
// was writing, every thread's call stack) and the process ends with the verb's last line,
// counting the run a fault.
#pragma once

#include <windows.h>

#include <cstdint>

namespace hostsim {

// Starts watching; the calling thread is the one that makes the runs. `verb` names the verb
// in the report ("fuzz-model") and must live as long as the process.
void StartWatchdog(const wchar_t* verb);

void RunStarted(uint64_t seed);
// The milliseconds since RunStarted.
DWORD RunEnded();

// What the run is doing now, for the report; a literal, or text that lives as long as the run.
void Phase(const wchar_t* phase);
// The file the run is writing (nullptr once written), for the report.
void Writing(const wchar_t* path);

}  // namespace hostsim
