// The simulator's fuzzers: mutated private records through every DevMode mode, and hostile
// model folders through the sessions, dialogs and pages. Each run i of "VERB N SEED" is run 0
// of "VERB 1 SEED+i", so a failing run is replayed on its own.
#pragma once

#include <string>
#include <vector>

namespace hostsim {

// fuzz-devmode N SEED: last line "fuzz-devmode: N runs, F faults, V invariant failures".
int VerbFuzzDevmode(const std::vector<std::wstring>& words);
// fuzz-model N SEED: last line "fuzz-model: N runs, F faults".
int VerbFuzzModel(const std::vector<std::wstring>& words);

}  // namespace hostsim
