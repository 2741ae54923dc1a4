// The printer's installable options from its IPP printer attributes, answered as the printer
// MIBs answer them (see printer_mibs.h):
// - trays: "printer-input-tray", one value per input in the Printer MIB's terms
//   ("type=sheetFeedAutoRemovableTray;...;status=0;name=Tray 1;"), counted as the input table
//   is; without it, the distinct "tray-N" keywords of "media-source-supported" are the trays;
// - duplex: "sides-supported" holds two-sided-long-edge or two-sided-short-edge;
// - finisher: "printer-finisher", one value per finishing device, when the printer serves it;
//   else "finishings-supported" holds a finishing other than none (3);
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
kv::snmp::Answers AnswersFromAttributes(const Response& response, const kv::snmp::Asked& asked);

// One value of "printer-input-tray" as an input. Keys are matched without regard to case,
// the first of each counting. A type the Printer MIB does not name, or none, is an input of
// type other; a status that is not a number from 0 to 126, or none, is 0 (not said).
kv::snmp::Input InputOfTray(const std::string& value);

}  // namespace kv::ipp
