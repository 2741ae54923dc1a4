#include "companion/paper_inputs.h"

#include <algorithm>
#include <set>

namespace kv::snmp {
namespace {

constexpr int16_t kCodes[] = {0, 1, 3, 4};

TrayCodes BitOf(int16_t code) {
  for (int i = 0; i < 4; ++i)
    if (kCodes[i] == code) return static_cast<TrayCodes>(1 << (i + 1));
  return 0;
}

// The name with letters in lower case and everything but letters and digits left out:
// "Stack Bypass", "MP Tray", "MPTRAY" and "Multi-Purpose" compare alike.
std::string Folded(const std::string& name) {
  std::string folded;
  for (char c : name) {
    if (c >= 'A' && c <= 'Z')
      folded += static_cast<char>(c - 'A' + 'a');
    else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
      folded += c;
  }
  return folded;
}

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// A name that says multi-purpose tray, bypass or manual feed.
bool NamedMpTray(const std::string& name) {
  const std::string f = Folded(name);
  if (Contains(f, "bypass") || Contains(f, "multipurpose") || Contains(f, "manual") ||
      Contains(f, "mptray"))
    return true;
  // "MP", "MP1"
  return f.size() >= 2 && f.compare(0, 2, "mp") == 0 &&
         std::all_of(f.begin() + 2, f.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A row that stands for a choice among the inputs rather than an input.
bool AutoSelect(const std::string& name) {
  const std::string f = Folded(name);
  return f == "auto" || f == "autoselect" || f == "automatic";
}

bool OneSheetManualChoice(const Input& input) {
  const std::string f = Folded(input.name);
  return input.capacity == 1 && (f == "manualpaper" || f == "manualenvelope");
}

bool IsTray(const Input& input) {
  return input.kind == Input::Kind::kTray || input.kind == Input::Kind::kRemovableTray;
}

std::string Quoted(const Input& input) {
  return input.name.empty() ? std::string("an input without a name") : "\"" + input.name + "\"";
}

}  // namespace

int16_t TrayCode(size_t extra_trays) {
  switch (extra_trays) {
    case 0: return 0;
    case 1: return 1;
    case 2: return 3;
    default: return 4;
  }
}

TrayCodes CodesOfTrays(int trays) {
  return trays <= 0 ? kNoTray : BitOf(TrayCode(static_cast<size_t>(trays - 1)));
}

int16_t SingleCode(TrayCodes codes) {
  for (int16_t code : kCodes)
    if (codes == BitOf(code)) return code;
  return -1;
}

std::string CodesText(TrayCodes codes) {
  std::string text;
  if (codes & kNoTray) text = "no tray";
  for (int16_t code : kCodes)
    if (codes & BitOf(code)) text += (text.empty() ? "" : " or ") + std::to_string(code);
  return text.empty() ? "nothing" : text;
}

Input::Kind KindOfType(int64_t type) {
  switch (type) {
    case 3: return Input::Kind::kRemovableTray;
    case 4: return Input::Kind::kTray;
    case 5: return Input::Kind::kManual;
    case 1:
    case 6:
    case 7: return Input::Kind::kNoPaperTray;
    default: return Input::Kind::kUnknown;
  }
}

void Say(std::string* why, const std::string& text) {
  if (!why) return;
  if (!why->empty()) *why += "; ";
  *why += text;
}

TrayCodes CodesOfInputs(const std::vector<Input>& inputs, bool model_has_mp_tray,
                        std::string* why) {
  // A real manual feed: one typed so, or named as the multi-purpose tray.
  bool manual_feed = false;
  for (const Input& input : inputs)
    if (!OneSheetManualChoice(input) &&
        (input.kind == Input::Kind::kManual || NamedMpTray(input.name)))
      manual_feed = true;

  std::vector<const Input*> trays;  // sheet-fed trays that count for sure
  int maybe = 0;                    // inputs that may be trays or not
  for (const Input& input : inputs) {
    if (AutoSelect(input.name) || (manual_feed && OneSheetManualChoice(input))) {
      Say(why, Quoted(input) + " is a choice among the inputs, not an input");
      continue;
    }
    if (input.kind == Input::Kind::kUnknown) {
      Say(why, Quoted(input) + " is of a type that may be a tray");
      ++maybe;
    } else if (IsTray(input) && input.capacity == 0) {
      Say(why, Quoted(input) + " holds no sheet: it may be a tray or not");
      ++maybe;
    } else if (IsTray(input)) {
      trays.push_back(&input);
    }
  }

  // Which counted trays carry evidence of being the multi-purpose tray.
  int named = 0, removable = 0;
  const Input* smallest = nullptr;
  for (const Input* tray : trays) {
    if (tray->kind == Input::Kind::kRemovableTray) ++removable;
    if (NamedMpTray(tray->name)) {
      ++named;
      Say(why, Quoted(*tray) + " is named as the multi-purpose tray");
    }
  }
  // A capacity at most a third of every other tray's.
  for (const Input* tray : trays) {
    if (trays.size() < 2 || tray->capacity <= 0) continue;
    const bool far_smaller = std::all_of(trays.begin(), trays.end(), [&](const Input* other) {
      return other == tray || (other->capacity > 0 && tray->capacity * 3 <= other->capacity);
    });
    if (far_smaller && !NamedMpTray(tray->name)) smallest = tray;
  }
  if (smallest)
    Say(why, Quoted(*smallest) + " has a capacity of " + std::to_string(smallest->capacity) +
                 ", far below the other trays': the multi-purpose tray");
  const int evidence = named + (smallest ? 1 : 0);

  // How many counted trays may be the multi-purpose tray, and so no paper tray.
  int fewest_left_out = 0, most_left_out = 0;
  if (evidence > 0) {
    fewest_left_out = 1;
    most_left_out = evidence;
  } else if (manual_feed) {
    Say(why, "the manual feed is the multi-purpose tray");
  } else if (model_has_mp_tray && static_cast<int>(trays.size()) > removable) {
    Say(why, "the multi-purpose tray may be one of the built-in trays or not listed");
    most_left_out = 1;
  }
  const int counted = static_cast<int>(trays.size());
  if (counted + maybe == 0) Say(why, "no sheet-fed tray is listed");
  TrayCodes codes = 0;
  for (int out = fewest_left_out; out <= most_left_out; ++out)
    for (int extra = 0; extra <= maybe; ++extra) codes |= CodesOfTrays(counted - out + extra);
  Say(why, std::to_string(counted) + " trays counted: " + CodesText(codes));
  return codes;
}

TrayCodes CodesOfSources(const std::vector<std::string>& sources, std::string* why) {
  static const char* const kNoTrays[] = {"auto", "manual", "envelope",  "photo",
                                         "disc", "hagaki", "main-roll", "alternate-roll"};
  std::set<std::string> trays;  // "tray-N" as "tray-" and the number without leading zeros
  bool mp_source = false;
  for (const std::string& source : sources) {
    unsigned number = 0;
    const bool numbered = source.compare(0, 5, "tray-") == 0 && source.size() > 5 &&
                          source.size() <= 8 &&
                          std::all_of(source.begin() + 5, source.end(), [&](char c) {
                            number = number * 10 + static_cast<unsigned>(c - '0');
                            return c >= '0' && c <= '9';
                          });
    if (numbered && number >= 1 && number <= 99) {
      trays.insert("tray-" + std::to_string(number));
    } else if (source == "main" || source == "large-capacity") {
      trays.insert(source);
    } else if (source == "by-pass-tray" || source == "side") {
      mp_source = true;
    } else if (std::find(std::begin(kNoTrays), std::end(kNoTrays), source) == std::end(kNoTrays) &&
               source.compare(0, 5, "roll-") != 0) {
      Say(why, "source \"" + source + "\" may be a tray or another name of one");
      return kAnyTrays;
    }
  }
  if (trays.count("main") && trays.size() > trays.count("large-capacity") + 1) {
    Say(why, "\"main\" may be one of the numbered trays");
    return kAnyTrays;
  }
  const int counted = static_cast<int>(trays.size());
  TrayCodes codes = CodesOfTrays(counted);
  if (!mp_source && trays.count("tray-1")) {
    Say(why, "no source names the multi-purpose tray, so \"tray-1\" may be it");
    codes |= CodesOfTrays(counted - 1);
  }
  Say(why, std::to_string(counted) + " tray sources: " + CodesText(codes));
  return codes;
}

}  // namespace kv::snmp
