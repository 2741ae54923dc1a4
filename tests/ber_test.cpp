// The companion's SNMP messages: exact bytes out, and every malformed reply refused.
#include "companion/ber.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using kv::snmp::Message;
using kv::snmp::Oid;
using kv::snmp::ParseOid;
using Bytes = std::vector<uint8_t>;

Bytes Tlv(uint8_t tag, const Bytes& content) {
  Bytes out{tag};
  if (content.size() < 0x80) {
    out.push_back(static_cast<uint8_t>(content.size()));
  } else {
    out.push_back(0x82);
    out.push_back(static_cast<uint8_t>(content.size() >> 8));
    out.push_back(static_cast<uint8_t>(content.size()));
  }
  out.insert(out.end(), content.begin(), content.end());
  return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

const Bytes kPublic = {'p', 'u', 'b', 'l', 'i', 'c'};
const Bytes kSysDescr = {0x2B, 6, 1, 2, 1, 1, 1, 0};

// A response built by hand around one binding's name and value elements.
Bytes Response(const Bytes& binding_contents, uint8_t version = 1) {
  return Tlv(0x30, Cat({Tlv(0x02, {version}), Tlv(0x04, kPublic),
                        Tlv(0xA2, Cat({Tlv(0x02, {0x12, 0x34}), Tlv(0x02, {0}), Tlv(0x02, {0}),
                                       Tlv(0x30, Tlv(0x30, binding_contents))}))}));
}

TEST(Ber, AGetRequestHasTheBytesOfTheProtocol) {
  const Bytes expected = {0x30, 0x26, 0x02, 0x01, 0x00, 0x04, 0x06, 'p',  'u',  'b',
                          'l',  'i',  'c',  0xA0, 0x19, 0x02, 0x01, 0x01, 0x02, 0x01,
                          0x00, 0x02, 0x01, 0x00, 0x30, 0x0E, 0x30, 0x0C, 0x06, 0x08,
                          0x2B, 0x06, 0x01, 0x02, 0x01, 0x01, 0x01, 0x00, 0x05, 0x00};
  EXPECT_EQ(expected, kv::snmp::EncodeRequest(kv::snmp::kVersion1, "public", kv::snmp::kGetRequest,
                                              1, {ParseOid("1.3.6.1.2.1.1.1.0")}));
}

TEST(Ber, LargeArcsAndRequestIdsUseTheirFullForms) {
  const Bytes encoded = kv::snmp::EncodeRequest(kv::snmp::kVersion2c, "", kv::snmp::kGetNextRequest,
                                                0x7FFFFFFF, {ParseOid("2.999.128.4294967295")});
  const Bytes expected = Tlv(
      0x30, Cat({Tlv(0x02, {1}), Tlv(0x04, {}),
                 Tlv(0xA1, Cat({Tlv(0x02, {0x7F, 0xFF, 0xFF, 0xFF}), Tlv(0x02, {0}), Tlv(0x02, {0}),
                                Tlv(0x30, Tlv(0x30, Cat({Tlv(0x06, {0x88, 0x37, 0x81, 0x00, 0x8F,
                                                                    0xFF, 0xFF, 0xFF, 0x7F}),
                                                         Tlv(0x05, {})})))}))}));
  EXPECT_EQ(expected, encoded);
  Message decoded;
  ASSERT_TRUE(kv::snmp::DecodeMessage(encoded.data(), encoded.size(), decoded));
  EXPECT_EQ(0x7FFFFFFF, decoded.request_id);
  ASSERT_EQ(1u, decoded.bindings.size());
  EXPECT_EQ(ParseOid("2.999.128.4294967295"), decoded.bindings[0].name);
  // A negative id is two's complement in the fewest octets.
  const Bytes negative =
      kv::snmp::EncodeRequest(0, "", kv::snmp::kGetRequest, -129, {ParseOid("1.3")});
  ASSERT_TRUE(kv::snmp::DecodeMessage(negative.data(), negative.size(), decoded));
  EXPECT_EQ(-129, decoded.request_id);
}

TEST(Ber, NamesThatCannotBeEncodedGiveNoRequest) {
  for (const char* name : {"1", "3.1", "1.40", ""})
    EXPECT_TRUE(
        kv::snmp::EncodeRequest(0, "public", kv::snmp::kGetRequest, 1, {ParseOid(name)}).empty())
        << name;
  EXPECT_TRUE(
      kv::snmp::EncodeRequest(0, std::string(256, 'c'), kv::snmp::kGetRequest, 1, {ParseOid("1.3")})
          .empty());
}

TEST(Ber, ParseOidTakesOnlyDottedNumbers) {
  EXPECT_EQ((Oid{1, 3, 6, 4294967295u}), ParseOid("1.3.6.4294967295"));
  for (const char* bad : {"1..3", "1.3.", ".1.3", "1.3a", "1.4294967296", "x"})
    EXPECT_TRUE(ParseOid(bad).empty()) << bad;
}

TEST(Ber, EveryValueTypeOfAResponseDecodes) {
  const struct {
    Bytes value;
    uint8_t tag;
    int64_t number;
  } cases[] = {
      {Tlv(0x02, {0xFF, 0x7F}), 0x02, -129},
      {Tlv(0x02, {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}), 0x02, 0x0100000000000000},
      {Tlv(0x41, {0x00, 0xFF, 0xFF, 0xFF, 0xFF}), 0x41, 0xFFFFFFFF},
      {Tlv(0x42, {0x05}), 0x42, 5},
      {Tlv(0x43, {0x01, 0x00}), 0x43, 256},
      {Tlv(0x04, {'a', 'b'}), 0x04, 0},
      {Tlv(0x40, {127, 0, 0, 1}), 0x40, 0},
      {Tlv(0x46, {0x01, 0x02}), 0x46, 0},
      {Tlv(0x05, {}), 0x05, 0},
      {Tlv(0x82, {}), 0x82, 0},
  };
  for (const auto& c : cases) {
    const Bytes datagram = Response(Cat({Tlv(0x06, kSysDescr), c.value}));
    Message message;
    ASSERT_TRUE(kv::snmp::DecodeMessage(datagram.data(), datagram.size(), message)) << int(c.tag);
    EXPECT_EQ(0x1234, message.request_id);
    EXPECT_EQ("public", message.community);
    ASSERT_EQ(1u, message.bindings.size());
    EXPECT_EQ(c.tag, message.bindings[0].value.tag);
    EXPECT_EQ(c.number, message.bindings[0].value.number) << int(c.tag);
  }
}

TEST(Ber, EveryStrictPrefixOfAResponseIsRefused) {
  const Bytes datagram = Response(Cat({Tlv(0x06, kSysDescr), Tlv(0x04, {'x', 'y', 'z'})}));
  Message message;
  ASSERT_TRUE(kv::snmp::DecodeMessage(datagram.data(), datagram.size(), message));
  for (size_t size = 0; size < datagram.size(); ++size)
    EXPECT_FALSE(kv::snmp::DecodeMessage(datagram.data(), size, message)) << size;
}

TEST(Ber, MalformedResponsesAreRefused) {
  const Bytes name = Tlv(0x06, kSysDescr);
  Bytes deep = Tlv(0x02, {1});
  for (int i = 0; i < 200; ++i) deep = Tlv(0x30, deep);
  Bytes many;
  for (int i = 0; i < 17; ++i) many = Cat({many, Tlv(0x30, Cat({name, Tlv(0x05, {})}))});
  Bytes trailing = Response(Cat({name, Tlv(0x05, {})}));
  trailing.push_back(0);
  Bytes overlong = Response(Cat({name, Tlv(0x05, {})}));
  overlong[1] = static_cast<uint8_t>(overlong[1] + 1);  // the outer length runs past the datagram
  const struct {
    const char* label;
    Bytes datagram;
  } cases[] = {
      {"empty", {}},
      {"trailing byte", trailing},
      {"outer length past the end", overlong},
      {"indefinite length", {0x30, 0x80, 0x02, 0x01, 0x00, 0x00, 0x00}},
      {"five length octets", {0x30, 0x85, 0x00, 0x00, 0x00, 0x00, 0x03, 0x02, 0x01, 0x00}},
      {"length of 4 GB", {0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF, 0x02}},
      {"high tag number", {0x3F, 0x01, 0x00}},
      {"version 3", Response(Cat({name, Tlv(0x05, {})}), 3)},
      {"a request id of five octets",
       Tlv(0x30, Cat({Tlv(0x02, {1}), Tlv(0x04, kPublic),
                      Tlv(0xA2, Cat({Tlv(0x02, {1, 2, 3, 4, 5}), Tlv(0x02, {0}), Tlv(0x02, {0}),
                                     Tlv(0x30, {})}))}))},
      {"community of another type",
       Tlv(0x30,
           Cat({Tlv(0x02, {1}), Tlv(0x02, {1}),
                Tlv(0xA2, Cat({Tlv(0x02, {1}), Tlv(0x02, {0}), Tlv(0x02, {0}), Tlv(0x30, {})}))}))},
      {"a trap PDU",
       Tlv(0x30,
           Cat({Tlv(0x02, {1}), Tlv(0x04, kPublic),
                Tlv(0xA7, Cat({Tlv(0x02, {1}), Tlv(0x02, {0}), Tlv(0x02, {0}), Tlv(0x30, {})}))}))},
      {"bindings not a sequence",
       Tlv(0x30,
           Cat({Tlv(0x02, {1}), Tlv(0x04, kPublic),
                Tlv(0xA2, Cat({Tlv(0x02, {1}), Tlv(0x02, {0}), Tlv(0x02, {0}), Tlv(0x04, {})}))}))},
      {"value nested 200 deep", Response(Cat({name, deep}))},
      {"whole message nested", Tlv(0x30, Response(Cat({name, Tlv(0x05, {})})))},
      {"17 bindings", Tlv(0x30, Cat({Tlv(0x02, {1}), Tlv(0x04, kPublic),
                                     Tlv(0xA2, Cat({Tlv(0x02, {1}), Tlv(0x02, {0}), Tlv(0x02, {0}),
                                                    Tlv(0x30, many)}))}))},
      {"name of another type", Response(Cat({Tlv(0x04, kSysDescr), Tlv(0x05, {})}))},
      {"empty name", Response(Cat({Tlv(0x06, {}), Tlv(0x05, {})}))},
      {"unterminated arc", Response(Cat({Tlv(0x06, {0x2B, 0x86}), Tlv(0x05, {})}))},
      {"padded arc", Response(Cat({Tlv(0x06, {0x2B, 0x80, 0x01}), Tlv(0x05, {})}))},
      {"arc above 32 bits",
       Response(Cat({Tlv(0x06, {0x2B, 0x90, 0x80, 0x80, 0x80, 0x00}), Tlv(0x05, {})}))},
      {"name without value", Response(name)},
      {"two values", Response(Cat({name, Tlv(0x05, {}), Tlv(0x05, {})}))},
      {"NULL with contents", Response(Cat({name, Tlv(0x05, {0})}))},
      {"empty INTEGER", Response(Cat({name, Tlv(0x02, {})}))},
      {"INTEGER of nine octets", Response(Cat({name, Tlv(0x02, {1, 2, 3, 4, 5, 6, 7, 8, 9})}))},
      {"Counter32 above 32 bits", Response(Cat({name, Tlv(0x41, {1, 0, 0, 0, 0})}))},
      {"negative Gauge32", Response(Cat({name, Tlv(0x42, {0x80})}))},
      {"IpAddress of three octets", Response(Cat({name, Tlv(0x40, {127, 0, 1})}))},
      {"a value of an unknown type", Response(Cat({name, Tlv(0x47, {1})}))},
      {"binding element past its sequence",
       Tlv(0x30,
           Cat({Tlv(0x02, {1}), Tlv(0x04, kPublic),
                Tlv(0xA2, Cat({Tlv(0x02, {1}), Tlv(0x02, {0}), Tlv(0x02, {0}),
                               Tlv(0x30, Cat({Bytes{0x30, 0x0D}, name, Tlv(0x05, {})}))}))}))},
  };
  for (const auto& c : cases) {
    Message message;
    EXPECT_FALSE(kv::snmp::DecodeMessage(c.datagram.data(), c.datagram.size(), message)) << c.label;
  }
}

TEST(Ber, AnyMessageRoundTrips) {
  Message message;
  message.version = kv::snmp::kVersion2c;
  message.community = std::string("pr\0v", 4);
  message.pdu = kv::snmp::kResponse;
  message.request_id = -5;
  message.error_status = 2;
  message.error_index = 1;
  kv::snmp::Value integer;
  integer.tag = kv::snmp::kTagInteger;
  integer.number = -2147483648LL;
  kv::snmp::Value object;
  object.tag = kv::snmp::kTagObjectId;
  object.oid = ParseOid("1.3.6.1.2.1.25.3.1.6");
  kv::snmp::Value gauge;
  gauge.tag = kv::snmp::kTagGauge32;
  gauge.number = 0x80000000;
  message.bindings = {{ParseOid("1.3.6.1.2.1.43.8.2.1.2.1.1"), integer},
                      {ParseOid("1.3.6.1.2.1.25.3.2.1.2.1"), object},
                      {ParseOid("1.3.6.1.2.1.25.2.2.0"), gauge}};
  const Bytes encoded = kv::snmp::EncodeMessage(message);
  Message decoded;
  ASSERT_TRUE(kv::snmp::DecodeMessage(encoded.data(), encoded.size(), decoded));
  EXPECT_EQ(message.community, decoded.community);
  EXPECT_EQ(-5, decoded.request_id);
  EXPECT_EQ(2, decoded.error_status);
  ASSERT_EQ(3u, decoded.bindings.size());
  EXPECT_EQ(-2147483648LL, decoded.bindings[0].value.number);
  EXPECT_EQ(object.oid, decoded.bindings[1].value.oid);
  EXPECT_EQ(0x80000000, decoded.bindings[2].value.number);
}

TEST(Ber, OidOrderIsTheAgentsOrder) {
  EXPECT_TRUE(kv::snmp::OidLess(ParseOid("1.3.6.1"), ParseOid("1.3.6.1.0")));
  EXPECT_TRUE(kv::snmp::OidLess(ParseOid("1.3.6.1.9"), ParseOid("1.3.6.1.10")));
  EXPECT_FALSE(kv::snmp::OidLess(ParseOid("1.3.6.1"), ParseOid("1.3.6.1")));
  EXPECT_TRUE(kv::snmp::IsBelow(ParseOid("1.3.6.1.2"), ParseOid("1.3.6.1")));
  EXPECT_FALSE(kv::snmp::IsBelow(ParseOid("1.3.6.1"), ParseOid("1.3.6.1")));
  EXPECT_FALSE(kv::snmp::IsBelow(ParseOid("1.3.6.2.1"), ParseOid("1.3.6.1")));
}

}  // namespace
