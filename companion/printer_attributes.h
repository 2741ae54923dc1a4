// The printer's installable options from its IPP printer attributes, answered as the printer
// MIBs answer them (see printer_mibs.h):
// - trays: "printer-input-tray", one value per input in the Printer MIB's terms
//   ("type=sheetFeedAutoRemovableTray;...;maxcapacity=250;...;name=Tray 1;"), counted as the
//   input table is (paper_inputs.h), and "media-source-supported": the code both allow;
// - duplex: "sides-supported" holds two-sided-long-edge or two-sided-short-edge;
// - finisher: "printer-finisher", one value per finishing device, when the printer serves it:
//   1 for a device not marked notPresent; 0 when it lists none (an empty value), unless
//   "finishings-supported" offers a finishing only a finisher does, which leaves it
//   undecided. Else "finishings-supported": 1 for a staple, punch, fold, bind or booklet
//   finishing (PWG 5100.1), 0 when it offers only none, jog-offset, trim and the like;
// - hard disk: IPP has no attribute for it, so never an answer.
// An attribute the printer does not serve, or serves only as 'unknown' or another
// out-of-band value but 'no-value', leaves its answer negative; 'no-value' is an attribute
// served without values. A value of another syntax than the attribute's leaves the answer
// negative too, whatever the other attributes say.
#pragma once

#include <string>
#include <vector>

#include "companion/ipp.h"
#include "companion/printer_mibs.h"

namespace kv::ipp {

// The attributes the answers come from, for the request. (Made anew for each call: the
// library is loaded for every update, and a function's static would cost memory each time.)
std::vector<std::string> RequestedAttributes();

// Answers only the fields `asked` names; the others stay negative.
kv::snmp::Answers AnswersFromAttributes(const Response& response, const kv::snmp::Asked& asked,
                                        kv::snmp::Reasons* reasons = nullptr);

// One value of "printer-input-tray" as an input. Keys are matched without regard to case or
// order, the first of each counting, with or without a ';' after the last; a value that
// starts with the attribute's own name ("printer-input-tray[0] =type=...") is read from the
// first '='. Besides the Printer MIB's type names, "sheetFeedAutoNonRemovable" and
// "unRemovableBin" are built-in trays and "removableBin" a removable tray (printers send
// them); another type, or none, may be a tray.
kv::snmp::Input InputOfTray(const std::string& value);

}  // namespace kv::ipp
