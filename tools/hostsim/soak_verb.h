// The leak soak: everything a user does with the plug-in, again and again, and what the
// plug-in made and did not release.
#pragma once

#include <string>
#include <vector>

namespace hostsim {

// hostsim soak [MODEL] N: N cycles after a warm-up; without a model, the model whose printer
// sheet adds the Troubleshooting page. Last line
// "soak: N cycles, growth gdi G user U heap H system S kib K" (S: registry keys, threads,
// sockets and sockets-library starts, the companion's included); exit status 1 when anything
// but the committed memory grew, the memory grew by more than 1% beyond what a second process
// keeps for as many cycles of the same dialogs made bare, or a warm-up cycle opened fewer
// than 4 dialogs.
// hostsim soak [MODEL] N bare: only that second part, in an installed session.
int VerbSoak(const std::vector<std::wstring>& words, bool model_named);

}  // namespace hostsim
