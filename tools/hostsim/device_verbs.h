// The simulator's scenarios of the printer properties' Troubleshooting page: the page as the
// host's common user interface shows it, a diagnostic page sent to the printer, and the two
// dialogs the page opens.
#pragma once

#include <string>
#include <vector>

#include "tools/hostsim/session.h"

namespace hostsim {

// The printer stands on the network (its port is known to the standard TCP/IP monitor), and
// its status monitor has recorded a help topic.
void PutPrinterOnTheNetwork();
void RecordLastTopic(HANDLE printer);

// The page of an open printer sheet, shown in a modeless property sheet, and its state.
void ShowTroubleshootingPage(Session& session, emuhost::EmulatedHost& host);

int VerbDiag(const std::wstring& entry);
// The page alone, played with the actions (keys reach it through its property sheet); the
// links say what they would open.
int VerbPage(const std::vector<std::wstring>& words);
// "wayfer" or "about": the dialog opened from the page's button, played with the actions.
int VerbPageDialog(bool wayfer, const std::vector<std::wstring>& words);

}  // namespace hostsim
