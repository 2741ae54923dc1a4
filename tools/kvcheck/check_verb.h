// The model checker: "kvcheck MODELDIR", and the simulator's verb "hostsim check MODELDIR".
#pragma once

#include <string>
#include <vector>

namespace kvcheck {

// Lists what the plug-in would miss or show wrong in the model folder, one line a finding
// and a summary line last. 0 when there is nothing, 1 when there is, 2 without a folder.
int VerbCheck(const std::vector<std::wstring>& arguments);

}  // namespace kvcheck
