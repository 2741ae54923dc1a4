// The cost benchmark: the plug-in's time for an operation against the time of the platform
// work the operation must do (its profile, spooler and registry calls, recorded from the
// plug-in and replayed alone), alternating the two sides in one run.
#pragma once

#include <string>
#include <vector>

namespace hostsim {

// hostsim bench [MODEL] [ROUNDS]: last lines "bench: devmode-default R",
// "bench: document-sheet R", "bench: hold-dialog R", each R the median ratio.
int VerbBench(const std::vector<std::wstring>& words, bool model_named);

}  // namespace hostsim
