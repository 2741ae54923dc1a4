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

constexpr int32_t kFinishingsNone = 3;

// The Printer MIB's names of its input types (PrtInputTypeTC), as "type=" gives them.
const struct {
  const char* name;
  int64_t type;
} kInputTypes[] = {
    {"other", kv::snmp::kInputOther},
    {"unknown", kv::snmp::kInputUnknown},
    {"sheetFeedAutoRemovableTray", kv::snmp::kInputAutoRemovableTray},
    {"sheetFeedAutoNonRemovableTray", kv::snmp::kInputAutoNonRemovableTray},
    {"sheetFeedManual", kv::snmp::kInputManual},
    {"continuousRoll", kv::snmp::kInputRoll},
    {"continuousFanFold", kv::snmp::kInputFanFold},
};

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) {
             return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
           };
           return lower(x) == lower(y);
         });
}

// The text of the first "key=text" field of a value made of fields ending in ';'.
bool Field(std::string_view value, std::string_view key, std::string_view& text) {
  while (!value.empty()) {
    const size_t end = std::min(value.find(';'), value.size());
    const std::string_view field = value.substr(0, end);
    value.remove_prefix(std::min(end + 1, value.size()));
    const size_t equals = field.find('=');
    if (equals != std::string_view::npos && SameText(field.substr(0, equals), key)) {
      text = field.substr(equals + 1);
      return true;
    }
  }
  return false;
}

// A decimal number of at most `max_digits` digits, nothing else.
bool Decimal(std::string_view text, size_t max_digits, uint32_t& number) {
  if (text.empty() || text.size() > max_digits) return false;
  number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<uint32_t>(c - '0');
  }
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

// 1 when a value matches, 0 when none does, negative when the attribute gives no answer.
template <class Matches>
int16_t AnyOf(Served served, const std::vector<const Value*>& values, Matches matches) {
  if (served != Served::kYes) return -1;
  return std::any_of(values.begin(), values.end(),
                     [&](const Value* value) { return matches(*value); })
             ? 1
             : 0;
}

// N of a "tray-N" keyword.
bool TrayNumber(const Value& value, uint32_t& number) {
  const std::string_view text(value.bytes);
  return value.tag == kTagKeyword && text.substr(0, 5) == "tray-" &&
         Decimal(text.substr(5), 9, number) && number > 0;
}

int16_t TrayAnswer(const Response& response, bool model_has_mp_tray) {
  std::vector<const Value*> values;
  switch (ValuesOf(response, kInputTray, {kTagOctetString}, values)) {
    case Served::kWrongSyntax: return -1;
    case Served::kYes: {
      std::vector<Input> inputs;
      for (const Value* value : values) inputs.push_back(InputOfTray(value->bytes));
      return kv::snmp::TrayCodeOfInputs(inputs, model_has_mp_tray);
    }
    case Served::kNo: break;
  }
  // Sources may be names of the site's own as well as keywords; only keywords name trays.
  if (ValuesOf(response, kMediaSourceSupported,
               {kTagKeyword, kTagNameWithoutLanguage, kTagNameWithLanguage},
               values) != Served::kYes)
    return -1;
  std::vector<uint32_t> trays;
  for (const Value* value : values) {
    uint32_t number = 0;
    if (TrayNumber(*value, number)) trays.push_back(number);
  }
  std::sort(trays.begin(), trays.end());
  trays.erase(std::unique(trays.begin(), trays.end()), trays.end());
  return kv::snmp::TrayCode(trays.empty() ? 0 : trays.size() - 1);
}

int16_t DuplexAnswer(const Response& response) {
  std::vector<const Value*> values;
  const Served served = ValuesOf(response, kSidesSupported, {kTagKeyword}, values);
  return AnyOf(served, values, [](const Value& v) {
    return v.bytes == "two-sided-long-edge" || v.bytes == "two-sided-short-edge";
  });
}

// A device entry of "printer-finisher", unless it says the device is not there, as the
// Finisher MIB's finDevicePresentOnOff does with notPresent (5).
bool FinisherPresent(const Value& value) {
  std::string_view present;
  return !value.bytes.empty() && !(Field(value.bytes, "presentonoff", present) &&
                                   (SameText(present, "notPresent") || present == "5"));
}

int16_t FinisherAnswer(const Response& response) {
  std::vector<const Value*> values;
  const Served devices = ValuesOf(response, kPrinterFinisher, {kTagOctetString}, values);
  if (devices != Served::kNo) return AnyOf(devices, values, FinisherPresent);
  const Served finishings = ValuesOf(response, kFinishingsSupported, {kTagEnum}, values);
  return AnyOf(finishings, values, [](const Value& v) {
    int32_t finishing = 0;
    return Integer(v, finishing) && finishing != kFinishingsNone;
  });
}

}  // namespace

std::vector<std::string> RequestedAttributes() {
  return {kInputTray, kMediaSourceSupported, kSidesSupported, kPrinterFinisher,
          kFinishingsSupported};
}

kv::snmp::Input InputOfTray(const std::string& value) {
  Input input;
  std::string_view text;
  if (Field(value, "type", text))
    for (const auto& known : kInputTypes)
      if (SameText(text, known.name)) input.type = known.type;
  uint32_t status = 0;
  if (Field(value, "status", text) && Decimal(text, 3, status) && status <= 126)
    input.status = status;
  return input;
}

kv::snmp::Answers AnswersFromAttributes(const Response& response, const kv::snmp::Asked& asked) {
  kv::snmp::Answers answers;
  if (asked.trays) answers.tray_code = TrayAnswer(response, asked.mp_tray);
  if (asked.duplex) answers.duplex = DuplexAnswer(response);
  if (asked.finisher) answers.finisher = FinisherAnswer(response);
  return answers;  // the disk stays unanswered: IPP has no attribute for it
}

}  // namespace kv::ipp
