#include <winsock2.h>  // ahead of windows.h, as the companion's headers need it

#include "tools/hostsim/ipp_verbs.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "companion/ipp.h"
#include "companion/printer_attributes.h"
#include "tools/hostsim/fuzz_bytes.h"

namespace hostsim {
namespace {

using kv::ipp::Response;
using Bytes = std::vector<uint8_t>;

constexpr size_t kSpan = GuardedBuffer::kSpan;

// A read past the response stops the run with an access violation, reported here.
unsigned long g_run = 0, g_faults = 0;

LONG CALLBACK ReportFault(EXCEPTION_POINTERS* info) {
  if (info->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION) {
    printf("fuzz-ipp: run %lu read outside the response\n", g_run);
    printf("fuzz-ipp: %lu runs, %lu faults\n", g_run + 1, g_faults + 1);
    fflush(stdout);
    ExitProcess(3);
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

// A response as the encoding lays it out, with what a decoder must make of its printer
// attributes.
class Writer {
 public:
  Writer(uint8_t major, uint8_t minor, uint16_t status, int32_t request_id) {
    const auto id = static_cast<uint32_t>(request_id);
    bytes_ = {major,
              minor,
              static_cast<uint8_t>(status >> 8),
              static_cast<uint8_t>(status),
              static_cast<uint8_t>(id >> 24),
              static_cast<uint8_t>(id >> 16),
              static_cast<uint8_t>(id >> 8),
              static_cast<uint8_t>(id)};
    expected_ = {major, minor, status, request_id, {}};
  }
  void Group(uint8_t tag) {
    bytes_.push_back(tag);
    kept_ = tag == kv::ipp::kTagPrinterAttributes;
  }
  // An attribute's first value, or with an empty name one more value of the one before.
  void Put(uint8_t tag, const std::string& name, const std::string& value) {
    Raw(tag, name, value);
    if (!name.empty()) ++attributes_;
    if (!kept_) return;
    if (!name.empty()) expected_.printer.push_back({name, {}});
    const bool empty = kv::ipp::IsOutOfBand(tag) || tag == kv::ipp::kTagBegCollection;
    expected_.printer.back().values.push_back({tag, empty ? std::string() : value});
  }
  // A collection value, members and nested collections included, which decodes as one
  // begCollection value.
  void Collection(const std::string& name, std::mt19937& random) {
    Put(kv::ipp::kTagBegCollection, name, "");
    Members(random, 1);
  }
  void EmptyCollection(const std::string& name) {
    Put(kv::ipp::kTagBegCollection, name, "");
    Raw(kv::ipp::kTagEndCollection, "", "");
  }
  Bytes End() const {
    Bytes bytes = bytes_;
    bytes.push_back(kv::ipp::kTagEndOfAttributes);
    return bytes;
  }
  const Response& expected() const { return expected_; }
  size_t attributes() const { return attributes_; }

 private:
  void Raw(uint8_t tag, const std::string& name, const std::string& value) {
    bytes_.push_back(tag);
    for (const std::string* text : {&name, &value}) {
      bytes_.push_back(static_cast<uint8_t>(text->size() >> 8));
      bytes_.push_back(static_cast<uint8_t>(text->size()));
      bytes_.insert(bytes_.end(), text->begin(), text->end());
    }
  }
  void Members(std::mt19937& random, size_t depth) {
    for (size_t n = random() % 4; n > 0; --n) {
      Raw(kv::ipp::kTagMemberAttrName, "", "member-" + std::to_string(random() % 5));
      if (depth < 4 && random() % 3 == 0) {
        Raw(kv::ipp::kTagBegCollection, "", "");
        Members(random, depth + 1);
      } else {
        Raw(kv::ipp::kTagKeyword, "", "value");
      }
    }
    Raw(kv::ipp::kTagEndCollection, "", "");
  }

  Bytes bytes_;
  Response expected_;
  bool kept_ = false;
  size_t attributes_ = 0;
};

std::string Pick(std::mt19937& random, std::initializer_list<const char*> items) {
  return items.begin()[random() % items.size()];
}

std::string Integer(uint32_t n) {
  return {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
          static_cast<char>(n)};
}

std::string InputTray(std::mt19937& random) {
  std::vector<std::string> fields = {
      "type=" + Pick(random, {"sheetFeedAutoRemovableTray", "sheetFeedAutoNonRemovableTray",
                              "sheetFeedManual", "continuousRoll", "continuousFanFold", "other",
                              "unknown", "SHEETFEEDAUTOREMOVABLETRAY", "bogus", ""}),
      "mediafeed=0",
      "mediaxfeed=0",
      "maxcapacity=250",
      "level=-2",
      "status=" + Pick(random, {"0", "1", "3", "8", "19", "126", "127", "x", ""}),
      "name=Tray " + std::to_string(random() % 9)};
  if (random() % 4 == 0) std::shuffle(fields.begin(), fields.end(), random);
  if (random() % 8 == 0) fields.erase(fields.begin() + static_cast<long>(random() % fields.size()));
  std::string value;
  for (const std::string& field : fields) value += field + ";";
  return value;
}

std::string TextWithLanguage(std::mt19937& random) {
  const size_t length =
      random() % 4 == 0 ? random() % (kv::ipp::kMaxValueLength + 1) : random() % 40;
  const std::string language = "en-us", text(length, 't');
  std::string value;
  for (const std::string* part : {&language, &text})
    value +=
        std::string{static_cast<char>(part->size() >> 8), static_cast<char>(part->size())} + *part;
  return value;
}

// The attributes a response may bring, each with its syntax and the most values it gets.
const struct Kind {
  const char* name;
  uint8_t tag;
  std::string (*value)(std::mt19937&);
  size_t most;
} kKinds[] = {
    {"printer-input-tray", kv::ipp::kTagOctetString, InputTray, 6},
    {"media-source-supported", kv::ipp::kTagKeyword,
     [](std::mt19937& r) {
       return Pick(r,
                   {"tray-1", "tray-2", "tray-3", "tray-4", "tray-5", "tray-0", "manual", "auto"});
     },
     8},
    {"sides-supported", kv::ipp::kTagKeyword,
     [](std::mt19937& r) {
       return Pick(r, {"one-sided", "two-sided-long-edge", "two-sided-short-edge"});
     },
     3},
    {"printer-finisher", kv::ipp::kTagOctetString,
     [](std::mt19937& r) {
       return r() % 6 == 0
                  ? std::string()
                  : "type=stapler;presentonoff=" + Pick(r, {"on", "notPresent", "5", "3"}) + ";";
     },
     3},
    {"finishings-supported", kv::ipp::kTagEnum,
     [](std::mt19937& r) {
       return Integer(r() % 4 == 0 ? static_cast<uint32_t>(r()) : 3 + r() % 6);
     },
     6},
    {"printer-name", kv::ipp::kTagNameWithoutLanguage,
     [](std::mt19937& r) { return std::string(r() % 64, 'n'); }, 1},
    {"printer-info", kv::ipp::kTagTextWithLanguage, TextWithLanguage, 1},
};

// Tags put in place of an attribute's own now and then: out-of-band values (with and
// without octets) and other syntaxes.
constexpr uint8_t kOtherTags[] = {kv::ipp::kTagNoValue,
                                  kv::ipp::kTagUnknown,
                                  kv::ipp::kTagUnsupported,
                                  kv::ipp::kTagInteger,
                                  kv::ipp::kTagKeyword,
                                  kv::ipp::kTagOctetString,
                                  kv::ipp::kTagNameWithoutLanguage};

void PrinterGroup(Writer& w, std::mt19937& random) {
  w.Group(kv::ipp::kTagPrinterAttributes);
  for (size_t n = random() % 8; n > 0; --n) {
    const Kind& kind = kKinds[random() % (sizeof kKinds / sizeof kKinds[0])];
    const size_t values = 1 + random() % kind.most;
    for (size_t i = 0; i < values; ++i) {
      const uint8_t tag = random() % 8 == 0 ? kOtherTags[random() % sizeof kOtherTags] : kind.tag;
      std::string value = kind.value(random);
      if (tag != kv::ipp::kTagTextWithLanguage)
        value.resize(std::min(value.size(), kv::ipp::kMaxValueLength));
      w.Put(tag, i == 0 ? kind.name : "", value);
    }
  }
  if (random() % 4 == 0)
    for (size_t i = 0, values = 1 + random() % 3; i < values; ++i)
      w.Collection(i == 0 ? "media-col-database" : "", random);
}

Bytes RandomResponse(std::mt19937& random, Response& expected) {
  const uint16_t statuses[] = {0x0000, 0x0001, 0x0002, 0x0400,
                               kv::ipp::kServerErrorVersionNotSupported};
  const bool two = random() % 2 == 0;
  Writer w(two ? 2 : 1, two ? 0 : 1, statuses[random() % 5],
           static_cast<int32_t>(random() & 0x7FFFFFFF));
  w.Group(kv::ipp::kTagOperationAttributes);
  w.Put(kv::ipp::kTagCharset, "attributes-charset", "utf-8");
  w.Put(kv::ipp::kTagNaturalLanguage, "attributes-natural-language", "en");
  if (random() % 4 == 0) {
    w.Group(kv::ipp::kTagUnsupportedAttributes);
    w.Put(kv::ipp::kTagUnsupported, "printer-finisher", "");
  }
  PrinterGroup(w, random);
  if (random() % 16 == 0) PrinterGroup(w, random);
  if (random() % 64 == 0) {  // up to the most attributes a response may hold
    const size_t total = kv::ipp::kMaxAttributes - random() % 4;
    for (size_t i = 0; w.attributes() < total; ++i)
      w.Put(kv::ipp::kTagInteger, "x-filler-" + std::to_string(i),
            Integer(static_cast<uint32_t>(i)));
  }
  expected = w.expected();
  Bytes bytes = w.End();
  if (random() % 8 == 0)  // document data after the attributes
    for (size_t n = random() % 40; n > 0; --n) bytes.push_back(static_cast<uint8_t>(random()));
  return bytes;
}

// Beyond fuzz-snmp's mangling: the encoding's two-octet lengths and its tags.
void MangleStructure(Bytes& bytes, std::mt19937& random) {
  if (bytes.size() < 2) return;
  const size_t at = random() % (bytes.size() - 1);
  switch (random() % 3) {
    case 0: {  // a length none, one, all the way, to the end, one past it, or anything
      const size_t rest = bytes.size() - at - 2;
      const size_t lengths[] = {0, 1, 0xFFFF, rest, rest + 1, random()};
      const size_t length = lengths[random() % 6];
      bytes[at] = static_cast<uint8_t>(length >> 8);
      bytes[at + 1] = static_cast<uint8_t>(length);
      break;
    }
    case 1: {
      const uint8_t tags[] = {0x00, 0x01, 0x03, 0x04, 0x05, 0x10, 0x13,
                              0x21, 0x23, 0x34, 0x35, 0x37, 0x4A, 0x7F};
      bytes[at] = tags[random() % sizeof tags];
      break;
    }
    default: {  // a stretch repeated: more values, more attributes, deeper collections
      const Bytes stretch(
          bytes.begin() + static_cast<long>(at),
          bytes.begin() + static_cast<long>(std::min(bytes.size(), at + 1 + random() % 64)));
      for (size_t n = 1 + random() % 600; n > 0 && bytes.size() + stretch.size() <= kSpan; --n)
        bytes.insert(bytes.begin() + static_cast<long>(at), stretch.begin(), stretch.end());
    }
  }
}

bool SamePrinter(const Response& a, const Response& b) {
  if (a.printer.size() != b.printer.size()) return false;
  for (size_t i = 0; i < a.printer.size(); ++i) {
    const auto& x = a.printer[i];
    const auto& y = b.printer[i];
    if (x.name != y.name || x.values.size() != y.values.size()) return false;
    for (size_t j = 0; j < x.values.size(); ++j)
      if (x.values[j].tag != y.values[j].tag || x.values[j].bytes != y.values[j].bytes)
        return false;
  }
  return true;
}

bool SameResponse(const Response& a, const Response& b) {
  return a.major == b.major && a.minor == b.minor && a.status == b.status &&
         a.request_id == b.request_id && SamePrinter(a, b);
}

// What a decoded response and its answers must keep to; null when they do.
const char* Breaks(const Response& decoded, bool model_has_mp_tray) {
  if (decoded.printer.size() > kv::ipp::kMaxAttributes) return "more attributes than the bound";
  for (const auto& attribute : decoded.printer) {
    if (attribute.name.empty() || attribute.name.size() > kv::ipp::kMaxNameLength)
      return "a name out of bounds";
    if (attribute.values.empty() || attribute.values.size() > kv::ipp::kMaxValues)
      return "values out of bounds";
    for (const auto& value : attribute.values) {
      if (value.bytes.size() > kv::ipp::kMaxWithLanguageLength)
        return "a value longer than the bound";
      if ((kv::ipp::IsOutOfBand(value.tag) || value.tag == kv::ipp::kTagBegCollection) &&
          !value.bytes.empty())
        return "an out-of-band or collection value with octets";
      if (value.tag < 0x10 || value.tag == kv::ipp::kTagEndCollection ||
          value.tag == kv::ipp::kTagMemberAttrName)
        return "a value with a tag no value has";
    }
  }
  // Encoded again, collections without members, the printer attributes decode the same.
  Writer again(decoded.major, decoded.minor, decoded.status, decoded.request_id);
  again.Group(kv::ipp::kTagPrinterAttributes);
  for (const auto& attribute : decoded.printer)
    for (size_t i = 0; i < attribute.values.size(); ++i) {
      const auto& value = attribute.values[i];
      const std::string name = i == 0 ? attribute.name : std::string();
      if (value.tag == kv::ipp::kTagBegCollection)
        again.EmptyCollection(name);
      else
        again.Put(value.tag, name, value.bytes);
    }
  const Bytes bytes = again.End();
  Response twice;
  if (!kv::ipp::DecodeResponse(bytes.data(), bytes.size(), twice) || !SameResponse(decoded, twice))
    return "encoded again, it decodes to something else";

  kv::snmp::Asked asked;
  asked.trays = asked.duplex = asked.disk = asked.finisher = true;
  asked.mp_tray = model_has_mp_tray;
  const kv::snmp::Answers answers = kv::ipp::AnswersFromAttributes(decoded, asked);
  const auto one_of = [](int16_t answer, std::initializer_list<int16_t> allowed) {
    return std::find(allowed.begin(), allowed.end(), answer) != allowed.end();
  };
  if (!one_of(answers.tray_code, {-1, 0, 1, 3, 4}) || !one_of(answers.duplex, {-1, 0, 1}) ||
      !one_of(answers.finisher, {-1, 0, 1}) || answers.disk != -1)
    return "an answer no field takes";
  return nullptr;
}

}  // namespace

int VerbFuzzIpp(unsigned long runs, unsigned long seed) {
  GuardedBuffer region;
  if (!region.ok()) return 1;
  PVOID handler = AddVectoredExceptionHandler(1, ReportFault);
  unsigned long accepted = 0;
  const ULONGLONG start = GetTickCount64();
  for (g_run = 0; g_run < runs; ++g_run) {
    std::mt19937 random(static_cast<std::mt19937::result_type>(seed + g_run));
    Response expected;
    Bytes bytes = RandomResponse(random, expected);
    const bool whole = random() % 8 == 0;
    if (!whole) {
      const unsigned how = random() % 3;
      if (how != 1) Mangle(bytes, random);
      if (how != 0) MangleStructure(bytes, random);
    }
    const char* fault = nullptr;
    try {
      Response decoded;
      const bool ok = kv::ipp::DecodeResponse(region.Place(bytes), bytes.size(), decoded);
      if (ok) {
        ++accepted;
        fault = Breaks(decoded, random() % 2 == 0);
      }
      if (whole && !ok) fault = "a whole response refused";
      if (whole && ok && !SameResponse(decoded, expected))
        fault = "a whole response decoded to something else";
    } catch (...) {
      fault = "threw";
    }
    if (fault) {
      ++g_faults;
      if (g_faults <= 10) printf("fuzz-ipp: run %lu: %s\n", g_run, fault);
    }
  }
  if (handler) RemoveVectoredExceptionHandler(handler);
  printf("   %lu of them decoded, in %llu ms\n", accepted, GetTickCount64() - start);
  printf("fuzz-ipp: %lu runs, %lu faults\n", runs, g_faults);
  return g_faults == 0 ? 0 : 1;
}

}  // namespace hostsim
