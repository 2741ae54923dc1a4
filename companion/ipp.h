// The one IPP operation the companion sends, Get-Printer-Attributes, and its response, in the
// binary encoding of IPP/1.1 and 2.x (RFC 8010) that goes in the body of an HTTP POST.
//
// The decoder takes any bytes. Every length is checked against the bytes left, and the
// message is refused whole when it is cut short, breaks the encoding's structure or goes
// beyond the bounds below. It keeps the printer-attributes groups only; collections are
// walked over and kept as one begCollection value without their members, since no answer
// needs them. Bytes after the end-of-attributes tag are the operation's document data, which
// a response may carry: they are left alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kv::ipp {

constexpr uint16_t kGetPrinterAttributes = 0x000B;

// Delimiter tags: 0x00-0x0F begin a group, except end-of-attributes.
constexpr uint8_t kTagOperationAttributes = 0x01;
constexpr uint8_t kTagEndOfAttributes = 0x03;
constexpr uint8_t kTagPrinterAttributes = 0x04;
constexpr uint8_t kTagUnsupportedAttributes = 0x05;
// Out-of-band values (0x10-0x1F) stand in for a value and carry none.
constexpr uint8_t kTagUnsupported = 0x10;
constexpr uint8_t kTagUnknown = 0x12;
constexpr uint8_t kTagNoValue = 0x13;
// Value syntaxes.
constexpr uint8_t kTagInteger = 0x21;
constexpr uint8_t kTagBoolean = 0x22;
constexpr uint8_t kTagEnum = 0x23;
constexpr uint8_t kTagOctetString = 0x30;
constexpr uint8_t kTagBegCollection = 0x34;
constexpr uint8_t kTagTextWithLanguage = 0x35;
constexpr uint8_t kTagNameWithLanguage = 0x36;
constexpr uint8_t kTagEndCollection = 0x37;
constexpr uint8_t kTagTextWithoutLanguage = 0x41;
constexpr uint8_t kTagNameWithoutLanguage = 0x42;
constexpr uint8_t kTagKeyword = 0x44;
constexpr uint8_t kTagUri = 0x45;
constexpr uint8_t kTagCharset = 0x47;
constexpr uint8_t kTagNaturalLanguage = 0x48;
constexpr uint8_t kTagMemberAttrName = 0x4A;

// Status codes: the three successful ones, and the one that asks for an older version.
constexpr uint16_t kSuccessfulOk = 0x0000;
constexpr uint16_t kSuccessfulOkIgnoredOrSubstitutedAttributes = 0x0001;
constexpr uint16_t kSuccessfulOkConflictingAttributes = 0x0002;
constexpr uint16_t kLastSuccessfulStatus = 0x00FF;
constexpr uint16_t kServerErrorVersionNotSupported = 0x0503;

// Bounds on a response; beyond them it is refused. Attributes count over all groups.
constexpr size_t kMaxAttributes = 512;
constexpr size_t kMaxValues = 256;      // per attribute
constexpr size_t kMaxNameLength = 255;  // attribute names are keywords
// The longest value of most syntaxes (text, uri, octetString); a textWithLanguage carries a
// language (63 octets at most) and a text, each after a two-octet length.
constexpr size_t kMaxValueLength = 1023;
constexpr size_t kMaxWithLanguageLength = 2 + 63 + 2 + kMaxValueLength;
// IPP's own collections nest a few levels (a preset's media-col's media-size); deeper
// nesting is refused.
constexpr size_t kMaxCollectionDepth = 16;

// A value's raw octets as they came. Out-of-band and begCollection values keep none.
struct Value {
  uint8_t tag = kTagNoValue;
  std::string bytes;
};

// Additional values of a 1setOf follow the first.
struct Attribute {
  std::string name;
  std::vector<Value> values;
};

struct Response {
  uint8_t major = 0, minor = 0;
  uint16_t status = 0;
  int32_t request_id = 0;
  std::vector<Attribute> printer;  // the printer-attributes groups, in order
};

// The request, in the version given (the companion asks in 2.0, then in 1.1). Empty when it
// cannot be encoded: a request id outside 1..2^31-1, an empty URI or one longer than
// kMaxValueLength, a requested name empty or longer than kMaxNameLength, or more than
// kMaxValues names. No names asks for all the printer's attributes.
std::vector<uint8_t> EncodeGetPrinterAttributes(
    uint8_t major, uint8_t minor, int32_t request_id, const std::string& printer_uri,
    const std::vector<std::string>& requested_attributes);

// Decodes one response body. False, with `response` in no particular state, when the bytes
// up to the end-of-attributes tag are not a well-formed response within the bounds above.
// With `wanted`, only the printer attributes of those names are kept, and the bounds on
// values, their number and the number of attributes hold for them alone: a printer that
// ignores "requested-attributes" sends all it has, of sizes nobody asked it to bound. The
// structure (every length within the message, collections closed, nesting bounded) holds for
// all.
[[nodiscard]] bool DecodeResponse(const uint8_t* data, size_t size, Response& response,
                                  const std::vector<std::string>* wanted = nullptr);

// True for a successful response to the request `request_id`: any status of the successful
// class, 0x0000 to 0x00FF (RFC 8011, Appendix B: a client takes one it does not know as
// successful-ok). Any other status is no answer.
[[nodiscard]] bool Acceptable(const Response& response, int32_t request_id);

[[nodiscard]] inline bool IsOutOfBand(uint8_t tag) { return tag >= 0x10 && tag <= 0x1F; }

// An integer or enum value: four octets, big-endian, two's complement. False for any other
// syntax or length.
[[nodiscard]] bool Integer(const Value& value, int32_t& number);

// The first printer attribute of that name, or null.
const Attribute* Find(const Response& response, const std::string& name);

}  // namespace kv::ipp
