// Printers as real devices report themselves: each row a pattern that recordings of real
// printers show (what they serve over SNMP or IPP, and how), played by the tests' own
// responders and asked through the built companion library as the plug-in asks it. Each field
// is answered with what a person reads from such a device, or not at all: never otherwise.
#include <winsock2.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/companion_fixture.h"
#include "tests/support/ipp_responder.h"
#include "tests/support/snmp_responder.h"

namespace {

using kv::snmp::ParseOid;

constexpr char kPrinterDevice[] = "1.3.6.1.2.1.25.3.1.5";
constexpr char kDiskDevice[] = "1.3.6.1.2.1.25.3.1.6";
constexpr char kOtherDevice[] = "1.3.6.1.2.1.25.3.1.1";
constexpr char kRamStorage[] = "1.3.6.1.2.1.25.2.1.2";
constexpr char kFixedDisk[] = "1.3.6.1.2.1.25.2.1.4";

// An input row as the Printer MIB's input table gives it.
struct Input {
  uint32_t index;
  int type;
  int capacity;
  const char* name;
  int status;
};

struct SnmpPrinter {
  std::vector<Input> inputs;
  bool names_in_descriptions = false;  // prtInputDescription served, prtInputName not
  std::vector<std::pair<const char*, const char*>> devices;  // hrDeviceType, hrDeviceDescr
  std::vector<std::pair<const char*, const char*>> storage;  // hrStorageType, hrStorageDescr
};

struct IppPrinter {
  std::vector<std::string> trays, sources, sides;
  std::vector<uint32_t> finishings;
  std::vector<std::string> finisher;  // printer-finisher, served when it has a value
};

constexpr int16_t kUnknown = -9;  // a person cannot tell from the device's own answers

struct Device {
  const char* pattern;
  bool mp_tray;  // the device has a multi-purpose tray, as the model's profile says
  SnmpPrinter snmp;
  IppPrinter ipp;
  int16_t truth[4];  // tray code, duplex, hard disk, finisher
  bool answered[4];  // which of them the companion answers (the others: no answer)
};

using kvtest::Object;
using kvtest::Text;

kvtest::Table TableOf(const SnmpPrinter& printer) {
  kvtest::Table table;
  const auto add = [&](const std::string& column, uint32_t index, kv::snmp::Value value,
                       bool input_row) {
    kv::snmp::Oid name = ParseOid(column.c_str());
    if (input_row) name.push_back(1);
    name.push_back(index);
    table.rows.push_back({name, std::move(value)});
  };
  for (const Input& in : printer.inputs) {
    add("1.3.6.1.2.1.43.8.2.1.2", in.index, kvtest::Int(in.type), true);
    add("1.3.6.1.2.1.43.8.2.1.9", in.index, kvtest::Int(in.capacity), true);
    add("1.3.6.1.2.1.43.8.2.1.11", in.index, kvtest::Int(in.status), true);
    if (*in.name)
      add(printer.names_in_descriptions ? "1.3.6.1.2.1.43.8.2.1.18" : "1.3.6.1.2.1.43.8.2.1.13",
          in.index, Text(in.name), true);
  }
  for (uint32_t i = 0; i < printer.devices.size(); ++i) {
    add("1.3.6.1.2.1.25.3.2.1.2", i + 1, Object(printer.devices[i].first), false);
    add("1.3.6.1.2.1.25.3.2.1.3", i + 1, Text(printer.devices[i].second), false);
  }
  for (uint32_t i = 0; i < printer.storage.size(); ++i) {
    add("1.3.6.1.2.1.25.2.3.1.2", i + 1, Object(printer.storage[i].first), false);
    add("1.3.6.1.2.1.25.2.3.1.3", i + 1, Text(printer.storage[i].second), false);
  }
  std::sort(table.rows.begin(), table.rows.end(),
            [](const kv::snmp::VarBind& a, const kv::snmp::VarBind& b) {
              return kv::snmp::OidLess(a.name, b.name);
            });
  return table;
}

std::vector<kvtest::IppAttribute> AttributesOf(const IppPrinter& printer) {
  std::vector<kvtest::IppAttribute> attributes;
  if (!printer.trays.empty()) attributes.push_back({0x30, "printer-input-tray", printer.trays});
  if (!printer.sources.empty())
    attributes.push_back({0x44, "media-source-supported", printer.sources});
  if (!printer.sides.empty()) attributes.push_back({0x44, "sides-supported", printer.sides});
  std::vector<std::string> finishings;
  for (uint32_t f : printer.finishings) finishings.push_back(kvtest::Enum(f));
  if (!finishings.empty()) attributes.push_back({0x23, "finishings-supported", finishings});
  if (!printer.finisher.empty()) attributes.push_back({0x30, "printer-finisher", printer.finisher});
  return attributes;
}

const std::vector<std::string> kTwoSided = {"one-sided", "two-sided-long-edge"};
constexpr bool Y = true, N = false;
constexpr int16_t U = kUnknown;

// clang-format off
const Device kDevices[] = {
    // Over IPP, SNMP switched off.
    {"HP LaserJet MFP: its empty 50-sheet MP tray-1 typed built-in, beside a manual feed mode", Y, {},
     {{"type=other;maxcapacity=-2;status=0;name=auto;",
       "type=sheetFeedManual;maxcapacity=50;level=0;status=8;name=manual;",
       "type=sheetFeedAutoNonRemovableTray;maxcapacity=50;level=0;status=8;name=tray-1;",
       "type=sheetFeedAutoNonRemovableTray;maxcapacity=250;level=-3;status=0;name=tray-2;"},
      {"auto", "manual", "tray-1", "tray-2"}, kTwoSided, {3}, {}},
     {0, 1, U, 0}, {Y, Y, N, Y}},
    {"HP LaserJet MFP without printer-input-tray: tray-1 may be its MP tray", Y, {},
     {{}, {"auto", "manual", "tray-1", "tray-2"}, kTwoSided, {3}, {}}, {0, 1, U, 0}, {N, Y, N, Y}},
    {"HP inkjet: the MP slot an unRemovableBin at source side, no last ';', an empty finisher", Y, {},
     {{"type=unRemovableBin;mediafeed=-2;maxcapacity=-2;level=-2;status=0;name=InputTray1",
       "type=sheetFeedAutoNonRemovable;maxcapacity=-2;level=-2;status=0;name=InputTray2",
       "type=other;maxcapacity=-2;level=-2;status=0;name=auto"},
      {"side", "main", "auto"}, kTwoSided, {3}, {""}},
     {0, 1, U, 0}, {Y, Y, N, Y}},
    {"Kyocera asleep: every row broken with a critical alert (19), the MP Tray named, keys twice", Y, {},
     {{"type=other;mediafeed=1;mediafeed=1;maxcapacity=-2;level=-2;status=19;name=Auto;",
       "type=sheetFeedAutoNonRemovableTray;maxcapacity=100;level=0;status=19;name=MP Tray;",
       "type=sheetFeedAutoNonRemovableTray;maxcapacity=250;level=-3;status=19;name=Cassette 1;"},
      {"auto", "by-pass-tray", "tray-1"}, kTwoSided, {3}, {}},
     {0, 1, U, 0}, {Y, Y, N, Y}},
    {"Canon: the empty Stack Bypass a manual feed on request (1), its source 'manual'", Y, {},
     {{"type=sheetFeedManual;maxcapacity=50;level=0;status=1;name=Stack Bypass;",
       "type=sheetFeedAutoRemovableTray;maxcapacity=250;level=-3;status=0;name=Drawer1;",
       "type=other;maxcapacity=250;level=-3;status=0;name=auto;"},
      {"manual", "tray-1", "auto"}, kTwoSided, {3}, {}},
     {0, 1, U, 0}, {Y, Y, N, Y}},
    {"Xerox: a broken one-sheet manual slot (11), an auto row named as the tray, numeric units", Y, {},
     {{"type=sheetFeedAutoNonRemovableTray;maxcapacity=250;level=250;status=0;name=Tray 1;index=1;dimunit=3;unit=8;",
       "type=sheetFeedManual;maxcapacity=1;level=-2;status=11;name=Manual Feed Slot;index=2;",
       "type=other;maxcapacity=250;level=250;status=0;name=Tray 1;index=3;dimunit=3;unit=8;"},
      {"tray-1", "manual", "auto"}, kTwoSided, {3}, {}},
     {0, 1, U, 0}, {Y, Y, N, Y}},
    {"Xerox MFP: keys led by name=, two empty one-sheet manual slots", Y, {},
     {{"name=auto;type=other;unit=sheets;maxcapacity=250;level=250;status=0;",
       "name=envelope;type=sheetFeedManual;unit=sheets;maxcapacity=1;level=0;status=0;",
       "name=manual;type=sheetFeedManual;unit=sheets;maxcapacity=1;level=0;status=0;",
       "name=tray-1;type=sheetFeedAutoRemovableTray;unit=sheets;maxcapacity=250;level=250;status=0;"},
      {"auto", "envelope", "manual", "tray-1"}, kTwoSided, {3}, {}},
     {0, 1, U, 0}, {Y, Y, N, Y}},
    {"Epson inkjet: the attribute's own name inside its value, one-sided only", N, {},
     {{"printer-input-tray[0] =type=sheetFeedAutoNonRemovableTray;maxcapacity=-2;status=0;name=Rear Auto Sheet Feeder;"},
      {"main"}, {"one-sided"}, {3}, {}},
     {0, 0, U, 0}, {Y, Y, N, Y}},
    // Over SNMP: index, type, maximum capacity, name, status.
    {"HP LaserJet flow: empty 100-sheet MP 'Tray 1' typed built-in first, a gap, a secure disk", Y,
     {{{1, 4, 100, "Tray 1", 9}, {2, 4, 500, "Tray 2", 0}, {3, 3, 1500, "Tray 3", 0}, {5, 3, 2000, "Tray 4", 0}},
      N, {{kPrinterDevice, "HP Color LaserJet flow MFP M880"}, {kDiskDevice, "HP Secure Hard Disk"}}, {}},
     {}, {3, U, 1, U}, {Y, N, Y, N}},
    {"HP LaserJet Pro: a one-sheet priority slot as 'Tray 1', RAM only", Y,
     {{{1, 4, 1, "Tray 1", 9}, {2, 4, 150, "Tray 2", 0}}, N, {{kPrinterDevice, "M252dw"}},
      {{kRamStorage, "Random Access Memory"}}},
     {}, {0, U, U, U}, {Y, N, N, N}},
    {"Sharp: 'Bypass Tray' first, 'Auto Select' far behind, a hard disk device among options", Y,
     {{{1, 4, 100, "Bypass Tray", 0}, {2, 4, 550, "Tray 1", 0}, {3, 3, 550, "Tray 2", 0},
       {4, 3, 550, "Tray 3", 0}, {5, 3, 550, "Tray 4", 0}, {31, 1, -2, "Auto Select", 0}},
      N, {{kPrinterDevice, "SHARP MX-3570N"}, {kDiskDevice, "Hard Disk Drive"}, {kOtherDevice, "Bypass Tray"}}, {}},
     {}, {4, U, 1, U}, {Y, N, Y, N}},
    {"OKI: MPTRAY between TRAY1 and TRAY2", Y,
     {{{1, 4, 300, "TRAY1", 0}, {2, 4, 100, "MPTRAY", 0}, {3, 3, 530, "TRAY2", 0}}, N, {}, {}},
     {}, {1, U, U, U}, {Y, N, N, N}},
    {"Dell: one-sheet Manual Envelope and Manual Paper rows beside the MP Tray, no disk row", Y,
     {{{1, 4, 550, "Tray 1", 0}, {2, 5, 1, "Manual Envelope", 0}, {3, 5, 1, "Manual Paper", 0}, {4, 4, 100, "MP Tray", 0}},
      N, {{kPrinterDevice, "Dell S5830dn"}}, {{kRamStorage, "RAM"}}},
     {}, {0, U, U, U}, {Y, N, N, N}},
    {"Brother: an AUTO row mirroring the tray, a one-sheet MANUAL TRAY", Y,
     {{{1, 4, 250, "AUTO", 0}, {2, 5, 1, "MANUAL TRAY", 0}, {3, 4, 250, "TRAY1", 0}}, N, {}, {}},
     {}, {0, U, U, U}, {Y, N, N, N}},
    {"Fujifilm: an unnamed 180-sheet bypass behind four trays, fixed-disk storage areas", Y,
     {{{1, 4, 600, "", 0}, {2, 4, 600, "", 0}, {3, 3, 980, "", 0}, {4, 3, 1420, "", 0}, {5, 4, 180, "", 0}},
      N, {}, {{kRamStorage, "RAM Memory"}, {kFixedDisk, "Storage (//ide0a/)"}, {kFixedDisk, "Storage (//ide0b/)"}}},
     {}, {4, U, 1, U}, {Y, N, Y, N}},
    {"Konica Minolta: rows 1, 2 and 7 only (the bypass keeps its index), an SSD", Y,
     {{{1, 4, 500, "", 0}, {2, 3, 500, "", 0}, {7, 4, 150, "", 0}},
      N, {{kPrinterDevice, "bizhub C250i"}, {kDiskDevice, "SSD"}}, {{kRamStorage, "RAM"}, {kFixedDisk, "SSD"}}},
     {}, {1, U, 1, U}, {Y, N, Y, N}},
    {"Samsung: the MP Tray second, a hard disk told only in a device's description", Y,
     {{{1, 4, 550, "Tray 1", 0}, {2, 4, 100, "MP Tray", 0}},
      N, {{kPrinterDevice, "Samsung M408x Series"}, {kOtherDevice, "HDD,TOSHIBA MQ01ABF0"}}, {}},
     {}, {0, U, 1, U}, {Y, N, N, N}},
    {"Kyocera TASKalfa: names only as descriptions, option cassettes among them, one asleep (19)", Y,
     {{{1, 4, 150, "MP Tray", 19}, {2, 4, 500, "Cassette 1", 0}, {3, 4, 500, "Cassette 2", 4},
       {4, 3, 500, "Cassette 3", 19}, {5, 3, 500, "Cassette 4", 0}},
      Y, {}, {}},
     {}, {4, U, U, U}, {Y, N, N, N}},
};
// clang-format on

class RealDevices : public kvtest::Companion {
 protected:
  void SetUp() override {
    Companion::SetUp();
    PortAt(L"127.0.0.1");
  }
};

TEST_F(RealDevices, EachFieldIsTheTruthOrNoAnswer) {
  static const char* const kFields[] = {"tray code", "duplex", "hard disk", "finisher"};
  static const int kOffsets[] = {kv::kStatusTray2, kv::kStatusDuplex, kv::kStatusHardDisk,
                                 kv::kStatusFinisher};
  for (const Device& device : kDevices) {
    kvtest::Record record = kvtest::EveryFeatureAsked();
    record[kv::kStatusMpTray] = device.mp_tray ? 1 : 0;
    kvtest::Outcome outcome;
    if (!device.snmp.inputs.empty() || !device.snmp.devices.empty()) {
      kvtest::Responder agent([](const kv::snmp::Message&,
                                 const kv::snmp::Message& correct) { return kvtest::One(correct); },
                              INADDR_LOOPBACK, TableOf(device.snmp));
      Ipp(0);
      Settings(agent.port(), 3000);
      outcome = Update(record);
    } else {
      const std::vector<kvtest::IppAttribute> attributes = AttributesOf(device.ipp);
      kvtest::IppResponder printer([&](const kvtest::HttpRequest& request) {
        return kvtest::Ok(kvtest::IppResponse(request.request_id(), 0, attributes));
      });
      Ipp(printer.port());
      Settings(kvtest::ClosedPort(SOCK_DGRAM), 3000);  // SNMP switched off
      outcome = Update(record);
    }
    for (int field = 0; field < 4; ++field) {
      const int16_t answer = outcome.result ? outcome.field(kOffsets[field]) : -1;
      // A row that expects an answer must know the truth.
      ASSERT_TRUE(!device.answered[field] || device.truth[field] != kUnknown) << device.pattern;
      EXPECT_EQ(device.answered[field] ? device.truth[field] : -1, answer)
          << device.pattern << ": " << kFields[field];
    }
  }
}

}  // namespace
