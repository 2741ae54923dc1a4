// Which paper trays a printer has fitted, from the inputs it lists (the Printer MIB's input
// table, or IPP's "printer-input-tray") and from the sources it names (IPP's
// "media-source-supported").
//
// What real printers report decides these rules:
// - every listed sheet-fed input is fitted, whatever its status: an empty tray reads
//   unavailable or in alert (HP, Canon, Xerox), a sleeping Kyocera reads broken on every row,
//   and inputs that are not fitted are not rows at all;
// - the multi-purpose (bypass) tray is listed in every way there is: first, last or between
//   the trays, typed non-removable, manual or other, named "Tray 1", "MP Tray", "MPTRAY",
//   "Stack Bypass", "Manual Feed Slot", or only told by its small capacity. Its place in the
//   table tells nothing. It is never a removable tray.
// - rows for "auto" sources, "Auto Select", and one-sheet "Manual Paper"/"Manual Envelope"
//   beside a real manual feed are no inputs of their own.
//
// The evidence is read as the set of tray codes it allows; a field is answered only when that
// set holds one code. "No tray at all" is a member of its own: a printer's inputs are never
// taken to say it has none.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kv::snmp {

// A set of tray codes, one bit each.
using TrayCodes = uint8_t;
constexpr TrayCodes kNoTray = 1 << 0;  // no paper tray: not an answer the record can carry
constexpr TrayCodes kAnyTrays = 0x1F;  // what no evidence rules out

// The tray code of the paper trays beyond the first: 0 none, 1 tray 2, 3 trays 2-3, 4 trays
// 2-4 (three or more).
int16_t TrayCode(size_t extra_trays);
// The set of one printer with `trays` paper trays (0 or fewer: kNoTray).
TrayCodes CodesOfTrays(int trays);
// The one code in the set, or -1 when it holds none or more than one.
int16_t SingleCode(TrayCodes codes);
std::string CodesText(TrayCodes codes);

struct Input {
  enum class Kind {
    kTray,           // sheet-fed, built in: sheetFeedAutoNonRemovableTray (4)
    kRemovableTray,  // sheet-fed, removable: sheetFeedAutoRemovableTray (3)
    kManual,         // sheetFeedManual (5)
    kNoPaperTray,    // other (1), a roll (6) or fan-fold paper (7)
    kUnknown,        // unknown (2), or a type nobody defined: may be a tray
  };
  Kind kind = Kind::kUnknown;
  int64_t capacity = -2;  // prtInputMaxCapacity: -1 other, -2 unknown, -3 at least one
  std::string name;
};

// The Printer MIB's input type numbers (PrtInputTypeTC).
Input::Kind KindOfType(int64_t type);

// What the listed inputs allow, for a model that has a multi-purpose tray or not (the status
// record's "SupportMpTray"). `why` (may be null) gets what decided it.
TrayCodes CodesOfInputs(const std::vector<Input>& inputs, bool model_has_mp_tray, std::string* why);

// What IPP's "media-source-supported" keywords allow: "tray-N", "main" and "large-capacity"
// are paper trays, "by-pass-tray" and "side" the multi-purpose tray, "auto", "manual",
// "envelope", "photo", "disc", "hagaki" and rolls no trays; any other source (a position such
// as "bottom", a name of the site's own) may be a tray or another name of one, and so allows
// any code. Where no source names the multi-purpose tray, "tray-1" may be it, whatever the
// model says of itself: HP LaserJets call their multi-purpose tray so, and the printer at the
// address need not be the model the queue's driver is for.
TrayCodes CodesOfSources(const std::vector<std::string>& sources, std::string* why);

// Appends a sentence to `why`, when there is one.
void Say(std::string* why, const std::string& text);

}  // namespace kv::snmp
