#include "companion/ipp.h"

#include <algorithm>
#include <utility>

namespace kv::ipp {
namespace {

using Bytes = std::vector<uint8_t>;

void AppendShort(Bytes& out, size_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

// An attribute's first value, or with an empty name one more value of the attribute before.
void AppendValue(Bytes& out, uint8_t tag, const std::string& name, const std::string& value) {
  out.push_back(tag);
  AppendShort(out, name.size());
  out.insert(out.end(), name.begin(), name.end());
  AppendShort(out, value.size());
  out.insert(out.end(), value.begin(), value.end());
}

// The bytes of the message not read yet.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), left_(size) {}

  bool Byte(uint8_t& value) {
    if (left_ < 1) return false;
    value = *data_++;
    --left_;
    return true;
  }

  // A big-endian number of `octets` (at most 4).
  bool Number(size_t octets, uint32_t& value) {
    if (left_ < octets) return false;
    value = 0;
    for (size_t i = 0; i < octets; ++i) value = (value << 8) | data_[i];
    data_ += octets;
    left_ -= octets;
    return true;
  }

  // `length` octets, copied to `out` unless it is null.
  bool Take(size_t length, std::string* out) {
    if (left_ < length) return false;
    if (out) out->assign(reinterpret_cast<const char*>(data_), length);
    data_ += length;
    left_ -= length;
    return true;
  }

 private:
  const uint8_t* data_;
  size_t left_;
};

size_t MaxValueLength(uint8_t tag) {
  return tag == kTagTextWithLanguage || tag == kTagNameWithLanguage ? kMaxWithLanguageLength
                                                                    : kMaxValueLength;
}

// What follows a value's tag: its name and its value, each after a two-octet length. A value
// not kept is bounded only by the message.
bool ReadNameAndValue(Reader& in, uint8_t tag, std::string* name, std::string* value,
                      bool bounded = true) {
  uint32_t length = 0;
  return in.Number(2, length) && length <= kMaxNameLength && in.Take(length, name) &&
         in.Number(2, length) && (!bounded || length <= MaxValueLength(tag)) &&
         in.Take(length, value);
}

// Reads past a collection's members, nested collections included, to the endCollection that
// closes it. The walk keeps a depth, not a call per level, so nesting costs no stack.
bool SkipCollection(Reader& in, bool bounded) {
  for (size_t depth = 1; depth > 0;) {
    uint8_t tag = 0;
    // A delimiter cannot come before the collection is closed.
    if (!in.Byte(tag) || tag < 0x10 || !ReadNameAndValue(in, tag, nullptr, nullptr, bounded))
      return false;
    if (tag == kTagBegCollection && ++depth > kMaxCollectionDepth) return false;
    if (tag == kTagEndCollection) --depth;
  }
  return true;
}

}  // namespace

std::vector<uint8_t> EncodeGetPrinterAttributes(
    uint8_t major, uint8_t minor, int32_t request_id, const std::string& printer_uri,
    const std::vector<std::string>& requested_attributes) {
  if (request_id <= 0 || printer_uri.empty() || printer_uri.size() > kMaxValueLength ||
      requested_attributes.size() > kMaxValues)
    return {};
  for (const std::string& name : requested_attributes)
    if (name.empty() || name.size() > kMaxNameLength) return {};
  Bytes out = {major, minor};
  AppendShort(out, kGetPrinterAttributes);
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(request_id) >> shift));
  out.push_back(kTagOperationAttributes);
  AppendValue(out, kTagCharset, "attributes-charset", "utf-8");
  AppendValue(out, kTagNaturalLanguage, "attributes-natural-language", "en");
  AppendValue(out, kTagUri, "printer-uri", printer_uri);
  for (size_t i = 0; i < requested_attributes.size(); ++i)
    AppendValue(out, kTagKeyword, i == 0 ? "requested-attributes" : "", requested_attributes[i]);
  out.push_back(kTagEndOfAttributes);
  return out;
}

bool DecodeResponse(const uint8_t* data, size_t size, Response& response,
                    const std::vector<std::string>* wanted) {
  response = Response();
  if (!data) return false;
  Reader in(data, size);
  uint32_t status = 0, request_id = 0;
  if (!in.Byte(response.major) || !in.Byte(response.minor) || !in.Number(2, status) ||
      !in.Number(4, request_id))
    return false;
  response.status = static_cast<uint16_t>(status);
  response.request_id = static_cast<int32_t>(request_id);
  uint8_t group = 0;     // none begun yet
  bool open = false;     // an attribute of this group takes additional values
  bool kept = false;     // the open attribute is kept
  bool bounded = false;  // the open attribute's values are held to the bounds
  size_t attributes = 0, values = 0;
  for (;;) {
    uint8_t tag = 0;
    if (!in.Byte(tag)) return false;
    if (tag == kTagEndOfAttributes) return true;
    if (tag < 0x10) {
      if (tag == 0x00) return false;  // reserved, never a group
      group = tag;
      open = false;
      continue;
    }
    // Values come within a group; the collection's own tags only within a collection.
    if (group == 0 || tag == kTagEndCollection || tag == kTagMemberAttrName) return false;
    std::string name, bytes;
    // The name decides whether the value is kept, and so bounded: read the name first.
    uint32_t length = 0;
    if (!in.Number(2, length) || length > kMaxNameLength || !in.Take(length, &name)) return false;
    if (!name.empty()) {
      open = true;
      values = 0;
      const bool named =
          !wanted || std::find(wanted->begin(), wanted->end(), name) != wanted->end();
      kept = group == kTagPrinterAttributes && named;
      bounded = !wanted || kept;
      if (bounded && ++attributes > kMaxAttributes) return false;
      if (kept) response.printer.push_back({std::move(name), {}});
    } else if (!open) {
      return false;
    }
    if (!in.Number(2, length) || (bounded && length > MaxValueLength(tag)) ||
        !in.Take(length, kept ? &bytes : nullptr))
      return false;
    if (bounded && ++values > kMaxValues) return false;
    if (tag == kTagBegCollection && !SkipCollection(in, bounded)) return false;
    // Out-of-band values carry no value; one that came with octets gets them ignored.
    if (tag == kTagBegCollection || IsOutOfBand(tag)) bytes.clear();
    if (kept) response.printer.back().values.push_back({tag, std::move(bytes)});
  }
}

bool Acceptable(const Response& response, int32_t request_id) {
  return response.request_id == request_id && response.status <= kLastSuccessfulStatus;
}

bool Integer(const Value& value, int32_t& number) {
  if ((value.tag != kTagInteger && value.tag != kTagEnum) || value.bytes.size() != 4) return false;
  uint32_t n = 0;
  for (char c : value.bytes) n = (n << 8) | static_cast<uint8_t>(c);
  number = static_cast<int32_t>(n);
  return true;
}

const Attribute* Find(const Response& response, const std::string& name) {
  for (const Attribute& attribute : response.printer)
    if (attribute.name == name) return &attribute;
  return nullptr;
}

}  // namespace kv::ipp
