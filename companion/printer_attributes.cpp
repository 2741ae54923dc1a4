#include "companion/printer_attributes.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

namespace kv::ipp {
namespace {

using kv::snmp::Input;

constexpr char kInputTray[] = "printer-input-tray";
constexpr char kMediaSourceSupported[] = "media-source-supported";
constexpr char kSidesSupported[] = "sides-supported";
constexpr char kPrinterFinisher[] = "printer-finisher";
constexpr char kFinishingsSupported[] = "finishings-supported";

// The Printer MIB's names of its input types (PrtInputTypeTC), as "type=" gives them, and the
// names printers send besides them.
const struct {
  const char* name;
  kv::snmp::Input::Kind kind;
} kInputTypes[] = {
    {"other", kv::snmp::Input::Kind::kNoPaperTray},
    {"sheetFeedAutoRemovableTray", kv::snmp::Input::Kind::kRemovableTray},
    {"removableBin", kv::snmp::Input::Kind::kRemovableTray},
    {"sheetFeedAutoNonRemovableTray", kv::snmp::Input::Kind::kTray},
    {"sheetFeedAutoNonRemovable", kv::snmp::Input::Kind::kTray},
    {"unRemovableBin", kv::snmp::Input::Kind::kTray},
    {"sheetFeedManual", kv::snmp::Input::Kind::kManual},
    {"continuousRoll", kv::snmp::Input::Kind::kNoPaperTray},
    {"continuousFanFold", kv::snmp::Input::Kind::kNoPaperTray},
};

// Finishings (PWG 5100.1) only a finisher does: staple, punch, bind, saddle and edge stitch,
// fold, booklet maker, and their positioned forms.
bool FinisherFinishing(int32_t f) {
  return f == 4 || f == 5 || f == 7 || f == 8 || f == 9 || f == 10 || f == 13 ||
         (f >= 20 && f <= 35) || (f >= 50 && f <= 53) || (f >= 70 && f <= 101);
}
// Finishings a printer does without a finisher: none, cover, trim, bale, jog-offset, coat,
// laminate, trim after pages, documents, copies or the job.
bool PrinterFinishing(int32_t f) {
  return f == 3 || f == 6 || f == 11 || f == 12 || f == 14 || f == 15 || f == 16 ||
         (f >= 60 && f <= 63);
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) {
             return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
           };
           return lower(x) == lower(y);
         });
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\0'))
    text.remove_suffix(1);
  return text;
}

// The text of the first "key=text" field of a value made of fields separated by ';'.
bool Field(std::string_view value, std::string_view key, std::string_view& text) {
  while (!value.empty()) {
    const size_t end = std::min(value.find(';'), value.size());
    const std::string_view field = value.substr(0, end);
    value.remove_prefix(std::min(end + 1, value.size()));
    const size_t equals = field.find('=');
    if (equals != std::string_view::npos && SameText(Trimmed(field.substr(0, equals)), key)) {
      text = Trimmed(field.substr(equals + 1));
      return true;
    }
  }
  return false;
}

// A decimal number, with a sign, that fits.
bool SignedDecimal(std::string_view text, int64_t& number) {
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  uint32_t magnitude = 0;
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + static_cast<uint32_t>(c - '0');
  }
  number = negative ? -static_cast<int64_t>(magnitude) : magnitude;
  return true;
}

// The attribute as the printer serves it: not at all (or only as an out-of-band value other
// than 'no-value'), with a value of a syntax it does not have, or with these values.
enum class Served { kNo, kWrongSyntax, kYes };

Served ValuesOf(const Response& response, const char* name, std::initializer_list<uint8_t> syntaxes,
                std::vector<const Value*>& values) {
  values.clear();
  const Attribute* attribute = Find(response, name);
  if (!attribute) return Served::kNo;
  bool no_value = attribute->values.empty();
  for (const Value& value : attribute->values) {
    if (value.tag == kTagNoValue) no_value = true;
    if (IsOutOfBand(value.tag)) continue;
    int32_t number = 0;
    if (std::find(syntaxes.begin(), syntaxes.end(), value.tag) == syntaxes.end() ||
        ((value.tag == kTagInteger || value.tag == kTagEnum) && !Integer(value, number)))
      return Served::kWrongSyntax;
    values.push_back(&value);
  }
  return values.empty() && !no_value ? Served::kNo : Served::kYes;
}

int16_t TrayAnswer(const Response& response, bool model_has_mp_tray, std::string* why) {
  using kv::snmp::Say;
  std::vector<const Value*> values;
  kv::snmp::TrayCodes codes = kv::snmp::kAnyTrays;
  switch (ValuesOf(response, kInputTray, {kTagOctetString}, values)) {
    case Served::kWrongSyntax:
      Say(why, "printer-input-tray holds a value of a wrong syntax");
      break;
    case Served::kNo: Say(why, "printer-input-tray is not served"); break;
    case Served::kYes: {
      std::vector<Input> inputs;
      for (const Value* value : values) {
        inputs.push_back(InputOfTray(value->bytes));
        Say(why, "printer-input-tray \"" + value->bytes + "\"");
      }
      codes = kv::snmp::CodesOfInputs(inputs, model_has_mp_tray, why);
      break;
    }
  }
  // Sources may be names of the site's own as well as keywords.
  switch (ValuesOf(response, kMediaSourceSupported,
                   {kTagKeyword, kTagNameWithoutLanguage, kTagNameWithLanguage}, values)) {
    case Served::kWrongSyntax:
      Say(why, "media-source-supported holds a value of a wrong syntax");
      break;
    case Served::kNo: Say(why, "media-source-supported is not served"); break;
    case Served::kYes: {
      std::vector<std::string> sources;
      for (const Value* value : values)
        sources.push_back(value->tag == kTagKeyword ? value->bytes : "name:" + value->bytes);
      codes &= kv::snmp::CodesOfSources(sources, why);
      break;
    }
  }
  const int16_t code = kv::snmp::SingleCode(codes);
  if (code < 0) Say(why, "together they allow " + kv::snmp::CodesText(codes));
  return code < 0 ? kv::snmp::kUndecided : code;
}

int16_t DuplexAnswer(const Response& response, std::string* why) {
  std::vector<const Value*> values;
  if (ValuesOf(response, kSidesSupported, {kTagKeyword}, values) != Served::kYes) {
    kv::snmp::Say(why, "sides-supported is not served as keywords");
    return kv::snmp::kUndecided;
  }
  const bool two_sided = std::any_of(values.begin(), values.end(), [](const Value* v) {
    return v->bytes == "two-sided-long-edge" || v->bytes == "two-sided-short-edge";
  });
  kv::snmp::Say(why, two_sided ? "sides-supported offers two-sided printing"
                               : "sides-supported offers one-sided printing only");
  return two_sided ? 1 : 0;
}

// A device entry of "printer-finisher", unless it says the device is not there, as the
// Finisher MIB's finDevicePresentOnOff does with notPresent (5).
bool FinisherPresent(const Value& value) {
  std::string_view present;
  return !Trimmed(value.bytes).empty() && !(Field(value.bytes, "presentonoff", present) &&
                                            (SameText(present, "notPresent") || present == "5"));
}

int16_t FinisherAnswer(const Response& response, std::string* why) {
  using kv::snmp::Say;
  std::vector<const Value*> values;
  const Served finishings = ValuesOf(response, kFinishingsSupported, {kTagEnum}, values);
  bool finisher_finishing = false, only_printer_finishings = true;
  for (const Value* value : values) {
    int32_t finishing = 0;
    if (!Integer(*value, finishing)) continue;
    finisher_finishing = finisher_finishing || FinisherFinishing(finishing);
    only_printer_finishings = only_printer_finishings && PrinterFinishing(finishing);
  }
  const Served devices = ValuesOf(response, kPrinterFinisher, {kTagOctetString}, values);
  if (devices == Served::kWrongSyntax) {
    Say(why, "printer-finisher holds a value of a wrong syntax");
    return kv::snmp::kUndecided;
  }
  if (devices == Served::kYes) {
    if (std::any_of(values.begin(), values.end(),
                    [](const Value* v) { return FinisherPresent(*v); })) {
      Say(why, "printer-finisher lists a finishing device");
      return 1;
    }
    if (finishings == Served::kYes && finisher_finishing) {
      Say(why,
          "printer-finisher lists none, while finishings-supported offers a finisher's finishing");
      return kv::snmp::kUndecided;
    }
    Say(why, "printer-finisher lists no finishing device");
    return 0;
  }
  if (finishings != Served::kYes) {
    Say(why, "neither printer-finisher nor finishings-supported is served");
    return kv::snmp::kUndecided;
  }
  if (finisher_finishing) {
    Say(why, "finishings-supported offers a staple, punch, fold, bind or booklet finishing");
    return 1;
  }
  Say(why, only_printer_finishings ? "finishings-supported offers no finisher's finishing"
                                   : "finishings-supported offers finishings of unknown kind");
  return only_printer_finishings ? 0 : kv::snmp::kUndecided;
}

}  // namespace

std::vector<std::string> RequestedAttributes() {
  return {kInputTray, kMediaSourceSupported, kSidesSupported, kPrinterFinisher,
          kFinishingsSupported};
}

kv::snmp::Input InputOfTray(const std::string& value) {
  Input input;
  std::string_view text(value);
  // "printer-input-tray[0] =type=...": what comes before the first '=' is the name.
  if (text.compare(0, sizeof kInputTray - 1, kInputTray) == 0)
    text.remove_prefix(std::min(text.find('=') + 1, text.size()));
  std::string_view field;
  if (Field(text, "type", field)) {
    input.kind = kv::snmp::Input::Kind::kUnknown;
    for (const auto& known : kInputTypes)
      if (SameText(field, known.name)) input.kind = known.kind;
  }
  int64_t capacity = 0;
  if (Field(text, "maxcapacity", field) && SignedDecimal(field, capacity))
    input.capacity = capacity;
  if (Field(text, "name", field)) input.name.assign(field);
  return input;
}

kv::snmp::Answers AnswersFromAttributes(const Response& response, const kv::snmp::Asked& asked,
                                        kv::snmp::Reasons* reasons) {
  kv::snmp::Answers answers;
  if (asked.trays)
    answers.tray_code = TrayAnswer(response, asked.mp_tray, kv::snmp::ReasonAt(reasons, 0));
  if (asked.duplex) answers.duplex = DuplexAnswer(response, kv::snmp::ReasonAt(reasons, 1));
  if (asked.finisher) answers.finisher = FinisherAnswer(response, kv::snmp::ReasonAt(reasons, 3));
  return answers;  // the disk stays unanswered: IPP has no attribute for it
}

}  // namespace kv::ipp
