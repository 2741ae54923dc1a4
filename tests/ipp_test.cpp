// The companion's IPP messages: the request's exact bytes, responses decoded or refused, and
// the installable options answered from the printer attributes.
#include "companion/ipp.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "companion/printer_attributes.h"

namespace {

using kv::ipp::Attribute;
using kv::ipp::Response;
using Bytes = std::vector<uint8_t>;

Bytes S(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

Bytes Repeat(const Bytes& part, size_t times) {
  Bytes out;
  for (size_t i = 0; i < times; ++i) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// One value as encoded: its tag, then name and value after two-octet lengths.
Bytes V(uint8_t tag, const std::string& name, const std::string& value) {
  return Cat({{tag, static_cast<uint8_t>(name.size() >> 8), static_cast<uint8_t>(name.size())},
              S(name),
              {static_cast<uint8_t>(value.size() >> 8), static_cast<uint8_t>(value.size())},
              S(value)});
}

// IPP/2.0, successful-ok, request id 7.
const Bytes kHeader = {0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07};
const Bytes kOperation = Cat(
    {{0x01}, V(0x47, "attributes-charset", "utf-8"), V(0x48, "attributes-natural-language", "en")});
const Bytes kEnd = {0x03};
const std::string kFour("\x00\x00\x00\x04", 4);

Bytes Printer(const Bytes& attributes) {
  return Cat({kHeader, kOperation, {0x04}, attributes, kEnd});
}

bool Decodes(const Bytes& bytes, Response& response) {
  return kv::ipp::DecodeResponse(bytes.data(), bytes.size(), response);
}

// Attributes as text, for comparing and showing.
std::string Printed(const std::vector<Attribute>& printer) {
  std::string out;
  for (const auto& a : printer) {
    out += a.name + ":";
    for (const auto& v : a.values) out += " " + std::to_string(v.tag) + "=" + v.bytes;
    out += "\n";
  }
  return out;
}

TEST(IppCodec, TheRequestHasTheBytesOfTheProtocol) {
  const Bytes expected = Cat({{0x02, 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00, 0x2A, 0x01},
                              {0x47, 0x00, 0x12},
                              S("attributes-charset"),
                              {0x00, 0x05},
                              S("utf-8"),
                              {0x48, 0x00, 0x1B},
                              S("attributes-natural-language"),
                              {0x00, 0x02},
                              S("en"),
                              {0x45, 0x00, 0x0B},
                              S("printer-uri"),
                              {0x00, 0x1A},
                              S("ipp://192.0.2.20/ipp/print"),
                              {0x44, 0x00, 0x14},
                              S("requested-attributes"),
                              {0x00, 0x0F},
                              S("sides-supported"),
                              {0x44, 0x00, 0x00, 0x00, 0x12},
                              S("printer-input-tray"),
                              {0x03}});
  EXPECT_EQ(expected,
            kv::ipp::EncodeGetPrinterAttributes(2, 0, 42, "ipp://192.0.2.20/ipp/print",
                                                {"sides-supported", "printer-input-tray"}));
  // Version 1.1, the largest id, and no names: all attributes.
  const Bytes all = Cat({{0x01, 0x01, 0x00, 0x0B, 0x7F, 0xFF, 0xFF, 0xFF, 0x01},
                         {0x47, 0x00, 0x12},
                         S("attributes-charset"),
                         {0x00, 0x05},
                         S("utf-8"),
                         {0x48, 0x00, 0x1B},
                         S("attributes-natural-language"),
                         {0x00, 0x02},
                         S("en"),
                         {0x45, 0x00, 0x0B},
                         S("printer-uri"),
                         {0x00, 0x08},
                         S("ipp://p/"),
                         {0x03}});
  EXPECT_EQ(all, kv::ipp::EncodeGetPrinterAttributes(1, 1, 0x7FFFFFFF, "ipp://p/", {}));
}

TEST(IppCodec, ARequestBeyondTheEncodingsBoundsIsNotMade) {
  const std::vector<std::string> most(kv::ipp::kMaxValues, "sides-supported");
  const std::vector<std::string> too_many(kv::ipp::kMaxValues + 1, "sides-supported");
  const struct {
    const char* label;
    int32_t id;
    std::string uri;
    std::vector<std::string> names;
    bool made;
  } cases[] = {
      {"id 0", 0, "ipp://p/", {}, false},
      {"negative id", -5, "ipp://p/", {}, false},
      {"empty URI", 1, "", {}, false},
      {"longest URI", 1, std::string(1023, 'u'), {}, true},
      {"URI too long", 1, std::string(1024, 'u'), {}, false},
      {"empty name", 1, "ipp://p/", {"sides-supported", ""}, false},
      {"longest name", 1, "ipp://p/", {std::string(255, 'n')}, true},
      {"name too long", 1, "ipp://p/", {std::string(256, 'n')}, false},
      {"most names", 1, "ipp://p/", most, true},
      {"too many names", 1, "ipp://p/", too_many, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.made, !kv::ipp::EncodeGetPrinterAttributes(2, 0, c.id, c.uri, c.names).empty())
        << c.label;
}

TEST(IppCodec, WellFormedResponsesKeepTheirPrinterAttributes) {
  const std::string longest_text =
      std::string("\x00\x3F", 2) + std::string(63, 'l') + "\x03\xFF" + std::string(1023, 't');
  const Bytes nested =
      Cat({V(0x34, "deep", ""), Repeat(Cat({V(0x4A, "", "m"), V(0x34, "", "")}), 15),
           Repeat(V(0x37, "", ""), 16)});
  const struct {
    const char* label;
    Bytes bytes;
    std::vector<Attribute> printer;
  } cases[] = {
      {"1setOf values join their attribute; other groups are not kept",
       Cat({kHeader,
            kOperation,
            {0x04},
            V(0x44, "sides-supported", "one-sided"),
            V(0x44, "", "two-sided-long-edge"),
            V(0x30, "printer-input-tray", "type=other;"),
            {0x05},
            V(0x10, "printer-finisher", ""),
            kEnd}),
       {{"sides-supported", {{0x44, "one-sided"}, {0x44, "two-sided-long-edge"}}},
        {"printer-input-tray", {{0x30, "type=other;"}}}}},
      {"out-of-band values keep their tag, not their octets",
       Printer(Cat({V(0x13, "printer-finisher", ""), V(0x12, "finishings-supported", "xyz")})),
       {{"printer-finisher", {{0x13, ""}}}, {"finishings-supported", {{0x12, ""}}}}},
      {"a collection is one value, its members walked over",
       Printer(
           Cat({V(0x34, "media-col-ready", ""), V(0x4A, "", "media-size"), V(0x34, "", ""),
                V(0x4A, "", "x-dimension"), V(0x21, "", kFour), V(0x37, "", ""), V(0x37, "", ""),
                V(0x34, "", ""), V(0x37, "", ""), V(0x23, "finishings-supported", kFour)})),
       {{"media-col-ready", {{0x34, ""}, {0x34, ""}}}, {"finishings-supported", {{0x23, kFour}}}}},
      {"collections nested to the bound", Printer(nested), {{"deep", {{0x34, ""}}}}},
      {"document data after the end is left alone",
       Cat({Printer(V(0x44, "sides-supported", "one-sided")), S("%!PS\x03\x04\xFF")}),
       {{"sides-supported", {{0x44, "one-sided"}}}}},
      {"two printer groups add up",
       Cat({kHeader, {0x04}, V(0x44, "a", "x"), {0x04}, V(0x44, "b", "y"), kEnd}),
       {{"a", {{0x44, "x"}}}, {"b", {{0x44, "y"}}}}},
      {"values and names at their longest",
       Printer(Cat({V(0x30, std::string(255, 'n'), std::string(1023, 'o')),
                    V(0x35, "printer-info", longest_text)})),
       {{std::string(255, 'n'), {{0x30, std::string(1023, 'o')}}},
        {"printer-info", {{0x35, longest_text}}}}},
      {"no groups at all", Cat({kHeader, kEnd}), {}},
  };
  for (const auto& c : cases) {
    Response response;
    ASSERT_TRUE(Decodes(c.bytes, response)) << c.label;
    EXPECT_EQ(Printed(c.printer), Printed(response.printer)) << c.label;
  }
  Response response;
  ASSERT_TRUE(Decodes(Cat({{0x01, 0x01, 0x00, 0x02, 0x81, 0x02, 0x03, 0x04}, kEnd}), response));
  EXPECT_EQ(1, response.major);
  EXPECT_EQ(1, response.minor);
  EXPECT_EQ(0x0002, response.status);
  EXPECT_EQ(static_cast<int32_t>(0x81020304), response.request_id);
}

TEST(IppCodec, EveryResponseCutShortIsRefused) {
  const Bytes whole =
      Printer(Cat({V(0x44, "sides-supported", "one-sided"), V(0x44, "", "two-sided-long-edge"),
                   V(0x34, "media-col-ready", ""), V(0x4A, "", "media-size"), V(0x34, "", ""),
                   V(0x37, "", ""), V(0x37, "", ""), V(0x13, "printer-finisher", "")}));
  Response response;
  ASSERT_TRUE(Decodes(whole, response));
  for (size_t size = 0; size < whole.size(); ++size) {
    const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(size));
    EXPECT_FALSE(Decodes(cut, response)) << "cut to " << size;
  }
  EXPECT_FALSE(kv::ipp::DecodeResponse(nullptr, 0, response));
}

TEST(IppCodec, HostileResponsesAreRefused) {
  const size_t most = kv::ipp::kMaxAttributes - 2;  // the operation group holds two
  const auto attributes = [](size_t count) {
    Bytes out;
    for (size_t i = 0; i < count; ++i) {
      const Bytes one = V(0x21, "a" + std::to_string(i), kFour);
      out.insert(out.end(), one.begin(), one.end());
    }
    return out;
  };
  const struct {
    const char* label;
    Bytes bytes;
    bool decodes;
  } cases[] = {
      {"a value length past the message",
       Cat({kHeader, {0x04, 0x44, 0x00, 0x01, 'a', 0x00, 0x10, 'x'}, kEnd}), false},
      {"a name length past the message", Cat({kHeader, {0x04, 0x44, 0xFF, 0xFF, 'a'}, kEnd}),
       false},
      {"no end-of-attributes",
       Cat({kHeader, kOperation, {0x04}, V(0x44, "sides-supported", "one-sided")}), false},
      {"the most attributes", Printer(attributes(most)), true},
      {"one attribute more", Printer(attributes(most + 1)), false},
      {"10,000 attributes", Printer(attributes(10000)), false},
      {"the most values",
       Printer(Cat({V(0x44, "s", "v"), Repeat(V(0x44, "", "v"), kv::ipp::kMaxValues - 1)})), true},
      {"one value more",
       Printer(Cat({V(0x44, "s", "v"), Repeat(V(0x44, "", "v"), kv::ipp::kMaxValues)})), false},
      {"a value too long", Printer(V(0x30, "printer-input-tray", std::string(1024, 'x'))), false},
      {"a text with language too long", Printer(V(0x35, "printer-info", std::string(1091, 'x'))),
       false},
      {"a name too long", Printer(V(0x44, std::string(256, 'n'), "v")), false},
      {"a value before any group", Cat({kHeader, V(0x44, "sides-supported", "one-sided"), kEnd}),
       false},
      {"an additional value with no attribute in its group",
       Cat({kHeader, kOperation, {0x04}, V(0x44, "", "two-sided-long-edge"), kEnd}), false},
      {"the reserved delimiter", Cat({kHeader, {0x00}, kEnd}), false},
      {"an endCollection outside a collection", Printer(V(0x37, "x", "")), false},
      {"a member name outside a collection", Printer(V(0x4A, "x", "media-size")), false},
      {"a collection never closed",
       Printer(Cat({V(0x34, "media-col", ""), V(0x4A, "", "media-size")})), false},
      {"a group begun inside a collection",
       Printer(Cat({V(0x34, "media-col", ""), {0x04}, V(0x37, "", "")})), false},
      {"collections nested one deeper than the bound",
       Printer(Cat({V(0x34, "deep", ""), Repeat(V(0x34, "", ""), kv::ipp::kMaxCollectionDepth),
                    Repeat(V(0x37, "", ""), kv::ipp::kMaxCollectionDepth + 1)})),
       false},
      {"collections nested 10,000 deep",
       Printer(Cat(
           {V(0x34, "deep", ""), Repeat(V(0x34, "", ""), 9999), Repeat(V(0x37, "", ""), 10000)})),
       false},
      {"a header cut short", {0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07}, false},
  };
  for (const auto& c : cases) {
    Response response;
    EXPECT_EQ(c.decodes, Decodes(c.bytes, response)) << c.label;
  }
}

TEST(IppCodec, OnlyASuccessfulResponseToTheRequestIsAnAnswer) {
  const struct {
    uint16_t status;
    int32_t id;
    bool acceptable;
  } cases[] = {
      {0x0000, 7, true},  {0x0001, 7, true},  {0x0002, 7, true},  {0x0003, 7, true},
      {0x00FF, 7, true},  {0x0100, 7, false}, {0x0400, 7, false}, {0x0503, 7, false},
      {0x0000, 8, false}, {0xFFFF, 7, false},
  };
  for (const auto& c : cases) {
    Response response;
    response.status = c.status;
    response.request_id = 7;
    EXPECT_EQ(c.acceptable, kv::ipp::Acceptable(response, c.id)) << c.status << " " << c.id;
  }
}

TEST(IppCodec, IntegersAreFourOctetsOfTheirSyntax) {
  const struct {
    uint8_t tag;
    std::string bytes;
    bool read;
    int32_t number;
  } cases[] = {
      {0x21, std::string("\x00\x00\x01\x02", 4), true, 258},
      {0x23, "\xFF\xFF\xFF\xFE", true, -2},
      {0x21, std::string("\x00\x01\x02", 3), false, 0},
      {0x23, std::string("\x00\x00\x00\x00\x03", 5), false, 0},
      {0x44, kFour, false, 0},
  };
  for (const auto& c : cases) {
    int32_t number = 0;
    EXPECT_EQ(c.read, kv::ipp::Integer({c.tag, c.bytes}, number))
        << int(c.tag) << " " << c.bytes.size();
    if (c.read) {
      EXPECT_EQ(c.number, number);
    }
  }
}

// The mapping, on responses put together as the decoder gives them.

Attribute A(const char* name, uint8_t tag, std::initializer_list<std::string> values) {
  Attribute attribute{name, {}};
  for (const auto& value : values) attribute.values.push_back({tag, value});
  return attribute;
}
Attribute Keywords(const char* name, std::initializer_list<std::string> values) {
  return A(name, 0x44, values);
}
Attribute Trays(std::initializer_list<std::string> values) {
  return A("printer-input-tray", 0x30, values);
}
Attribute Finishers(std::initializer_list<std::string> values) {
  return A("printer-finisher", 0x30, values);
}
Attribute Finishings(std::initializer_list<uint8_t> values) {
  Attribute attribute{"finishings-supported", {}};
  for (uint8_t n : values)
    attribute.values.push_back({0x23, std::string("\x00\x00\x00", 3) + static_cast<char>(n)});
  return attribute;
}
Attribute OutOfBand(const char* name, uint8_t tag) { return {name, {{tag, ""}}}; }

std::string Tray(const std::string& type, const std::string& status = "0",
                 const std::string& name = "Tray") {
  return "type=" + type + ";mediafeed=0;mediaxfeed=0;maxcapacity=250;level=-2;status=" + status +
         ";name=" + name + ";";
}
const std::string kRemovable = Tray("sheetFeedAutoRemovableTray");
const std::string kFixed = Tray("sheetFeedAutoNonRemovableTray");
const std::string kManual = Tray("sheetFeedManual");

kv::snmp::Answers Answer(std::vector<Attribute> printer, bool mp_tray = false) {
  Response response;
  response.printer = std::move(printer);
  kv::snmp::Asked asked;
  asked.trays = asked.duplex = asked.disk = asked.finisher = true;
  asked.mp_tray = mp_tray;
  const kv::snmp::Answers answers = kv::ipp::AnswersFromAttributes(response, asked);
  EXPECT_EQ(-1, answers.disk);
  return answers;
}

struct Case {
  const char* label;
  std::vector<Attribute> printer;
  int16_t expected;
  bool mp_tray = false;
};

TEST(IppAnswers, TraysByTheInputTrays) {
  const Case cases[] = {
      {"one tray", {Trays({kRemovable})}, 0},
      {"two trays", {Trays({kRemovable, kRemovable})}, 1},
      {"three trays", {Trays({kRemovable, kFixed, kRemovable})}, 3},
      {"six trays",
       {Trays({kRemovable, kRemovable, kRemovable, kRemovable, kRemovable, kRemovable})},
       4},
      {"manual, roll, fan-fold and other inputs are no trays",
       {Trays({kManual, Tray("continuousRoll"), Tray("continuousFanFold"), Tray("other"),
               kRemovable, kRemovable})},
       1},
      {"an input of unknown type may be a tray", {Trays({Tray("unknown"), kRemovable})}, -1},
      {"an entry without a type may be a tray", {Trays({"garbage", kRemovable})}, -1},
      {"a tray counts whatever its status (empty, broken, asleep)",
       {Trays({kRemovable, Tray("sheetFeedAutoRemovableTray", "9"),
               Tray("sheetFeedAutoRemovableTray", "19"),
               Tray("sheetFeedAutoRemovableTray", "999")})},
       4},
      {"the type words printers send besides the MIB's",
       {Trays({Tray("sheetFeedAutoNonRemovable"), Tray("unRemovableBin"), Tray("removableBin")})},
       3},
      {"keys and types in any case and order, without a last ';'",
       {Trays({"NAME=Tray 2;MAXCAPACITY=500;TYPE=SHEETFEEDAUTOREMOVABLETRAY", kRemovable})},
       1},
      {"the attribute's name inside the value",
       {Trays({"printer-input-tray[0] =type=sheetFeedAutoRemovableTray;name=Tray 1", kRemovable})},
       1},
      {"the first of a key counts",
       {Trays({"type=sheetFeedManual;type=sheetFeedAutoRemovableTray;", kRemovable, kRemovable})},
       1},
      {"no-value: no inputs, no answer", {OutOfBand("printer-input-tray", 0x13)}, -1},
      {"a built-in tray may be the multi-purpose tray", {Trays({kFixed, kRemovable})}, -1, true},
      {"unless a manual feed is listed", {Trays({kManual, kFixed, kRemovable})}, 1, true},
      {"or a tray is named so",
       {Trays({kFixed, Tray("sheetFeedAutoNonRemovableTray", "0", "MP Tray"), kRemovable})},
       1,
       true},
      {"inputs and sources narrow each other",
       {Trays({kFixed, kRemovable}),
        Keywords("media-source-supported", {"by-pass-tray", "tray-1", "tray-2"})},
       1,
       true},
      {"inputs and sources that disagree",
       {Trays({kRemovable}), Keywords("media-source-supported", {"tray-1", "tray-2", "tray-3"})},
       -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, Answer(c.printer, c.mp_tray).tray_code) << c.label;
}

TEST(IppAnswers, TraysByTheMediaSources) {
  const auto sources = [](std::initializer_list<std::string> values) {
    return std::vector<Attribute>{Keywords("media-source-supported", values)};
  };
  const Case cases[] = {
      {"one tray", sources({"auto", "by-pass-tray", "tray-1"}), 0},
      {"two trays and a manual feed", sources({"by-pass-tray", "tray-1", "tray-2", "manual"}), 1},
      {"three trays", sources({"side", "tray-1", "tray-2", "tray-3"}), 3},
      {"five trays, one of them perhaps the multi-purpose tray",
       sources({"tray-1", "tray-2", "tray-3", "tray-4", "tray-5"}), 4},
      {"a tray named twice counts once",
       sources({"by-pass-tray", "tray-2", "tray-1", "tray-2", "tray-02"}), 1},
      {"sources that are no trays", sources({"auto", "manual", "envelope", "photo"}), -1},
      {"main and large-capacity are trays", sources({"main", "large-capacity"}), 1},
      {"main beside numbered trays may be one of them", sources({"main", "tray-2"}), -1},
      {"a position may be a tray", sources({"tray-1", "bottom"}), -1},
      {"a source nobody defined may be a tray", sources({"tray-1", "tray-0"}), -1},
      {"names of the site's own may be trays", {A("media-source-supported", 0x42, {"tray-1"})}, -1},
      {"tray-1 may be the multi-purpose tray", sources({"auto", "manual", "tray-1", "tray-2"}), -1},
      {"whatever the model says of itself", sources({"tray-1", "tray-2"}), -1, false},
      {"unless by-pass-tray is it", sources({"by-pass-tray", "tray-1", "tray-2"}), 1, true},
      {"or side is it", sources({"side", "main", "auto"}), 0, true},
      {"input trays unknown",
       {OutOfBand("printer-input-tray", 0x12),
        Keywords("media-source-supported", {"by-pass-tray", "tray-1", "tray-2"})},
       1},
      {"media sources unknown", {OutOfBand("media-source-supported", 0x12)}, -1},
      {"neither attribute", {Keywords("sides-supported", {"one-sided"})}, -1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.expected, Answer(c.printer, c.mp_tray).tray_code) << c.label;
}

TEST(IppAnswers, DuplexBySides) {
  const Case cases[] = {
      {"one-sided only", {Keywords("sides-supported", {"one-sided"})}, 0},
      {"long edge", {Keywords("sides-supported", {"one-sided", "two-sided-long-edge"})}, 1},
      {"short edge", {Keywords("sides-supported", {"two-sided-short-edge"})}, 1},
      {"keywords are lower case", {Keywords("sides-supported", {"TWO-SIDED-LONG-EDGE"})}, 0},
      {"no-value", {OutOfBand("sides-supported", 0x13)}, 0},
      {"unknown", {OutOfBand("sides-supported", 0x12)}, -1},
      {"absent", {}, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, Answer(c.printer).duplex) << c.label;
}

TEST(IppAnswers, FinisherByItsDevicesElseByTheFinishings) {
  const std::string stapler = "type=stapler;unit=sheets;maxcapacity=50;presentonoff=on;status=0;";
  const Case cases[] = {
      {"a device", {Finishers({stapler})}, 1},
      {"devices not present",
       {Finishers({"type=stapler;presentonoff=notPresent;", "type=punch;presentonoff=5;"})},
       0},
      {"one present among them", {Finishers({"type=punch;presentonoff=notPresent;", stapler})}, 1},
      {"an empty entry", {Finishers({""}), Finishings({3})}, 0},
      {"an empty entry beside stapling", {Finishers({""}), Finishings({3, 4})}, -1},
      {"devices served without values beside stapling",
       {OutOfBand("printer-finisher", 0x13), Finishings({4})},
       -1},
      {"devices unknown: the finishings",
       {OutOfBand("printer-finisher", 0x12), Finishings({3, 4})},
       1},
      {"only none", {Finishings({3})}, 0},
      {"none and staple", {Finishings({3, 4})}, 1},
      {"punch", {Finishings({5})}, 1},
      {"saddle stitch", {Finishings({8})}, 1},
      {"booklet maker", {Finishings({13})}, 1},
      {"a positioned staple", {Finishings({20})}, 1},
      {"a fold", {Finishings({100})}, 1},
      {"jog-offset is no finisher's", {Finishings({3, 14})}, 0},
      {"nor trim", {Finishings({11, 60})}, 0},
      {"a finishing of unknown kind", {Finishings({3, 200})}, -1},
      {"finishings without values", {OutOfBand("finishings-supported", 0x13)}, 0},
      {"neither attribute", {}, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, Answer(c.printer).finisher) << c.label;
}

TEST(IppAnswers, AValueOfAnotherSyntaxIsNoAnswer) {
  const struct {
    const char* label;
    std::vector<Attribute> printer;
    int16_t trays, duplex, finisher;
  } cases[] = {
      {"sides as an integer", {A("sides-supported", 0x21, {kFour})}, -1, -1, -1},
      {"sides mixing keywords and an integer",
       {Attribute{"sides-supported", {{0x44, "two-sided-long-edge"}, {0x21, kFour}}}},
       -1,
       -1,
       -1},
      {"sides as a collection", {A("sides-supported", 0x34, {""})}, -1, -1, -1},
      {"finishings as keywords", {Keywords("finishings-supported", {"staple"})}, -1, -1, -1},
      {"a finishing of two octets",
       {A("finishings-supported", 0x23, {std::string("\x00\x04", 2)})},
       -1,
       -1,
       -1},
      {"input trays as keywords: the sources decide",
       {Keywords("printer-input-tray", {"tray-1"}),
        Keywords("media-source-supported", {"by-pass-tray", "tray-1", "tray-2"})},
       1,
       -1,
       -1},
      {"sources as integers", {A("media-source-supported", 0x21, {kFour})}, -1, -1, -1},
      {"devices as enums, the finishings not asked then",
       {A("printer-finisher", 0x23, {kFour}), Finishings({4})},
       -1,
       -1,
       -1},
      {"the other fields answer still",
       {A("sides-supported", 0x21, {kFour}), Trays({kRemovable, kRemovable}), Finishings({4})},
       1,
       -1,
       1},
  };
  for (const auto& c : cases) {
    const kv::snmp::Answers answers = Answer(c.printer);
    EXPECT_EQ(c.trays, answers.tray_code) << c.label;
    EXPECT_EQ(c.duplex, answers.duplex) << c.label;
    EXPECT_EQ(c.finisher, answers.finisher) << c.label;
  }
}

TEST(IppAnswers, AResponseAnswersOnlyWhatIsAsked) {
  const Bytes bytes = Printer(Cat(
      {V(0x30, "printer-input-tray", kRemovable), V(0x30, "", kRemovable),
       V(0x44, "sides-supported", "two-sided-long-edge"), V(0x23, "finishings-supported", kFour)}));
  Response response;
  ASSERT_TRUE(Decodes(bytes, response));
  const struct {
    bool trays, duplex, finisher;
  } askings[] = {
      {true, true, true}, {true, false, false}, {false, true, false}, {false, false, true}};
  for (const auto& a : askings) {
    const kv::snmp::Answers answers = kv::ipp::AnswersFromAttributes(
        response, kv::snmp::Asked{a.trays, a.duplex, true, a.finisher});
    EXPECT_EQ(a.trays ? 1 : -1, answers.tray_code);
    EXPECT_EQ(a.duplex ? 1 : -1, answers.duplex);
    EXPECT_EQ(a.finisher ? 1 : -1, answers.finisher);
    EXPECT_EQ(-1, answers.disk) << "IPP has no attribute for a disk";
  }
}

}  // namespace
