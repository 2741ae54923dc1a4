#include "companion/ber.h"

#include <cstdlib>

namespace kv::snmp {
namespace {

using Bytes = std::vector<uint8_t>;

void AppendLength(Bytes& out, size_t length) {
  if (length < 0x80) {
    out.push_back(static_cast<uint8_t>(length));
    return;
  }
  uint8_t digits[sizeof(size_t)];
  size_t count = 0;
  for (size_t rest = length; rest; rest >>= 8) digits[count++] = static_cast<uint8_t>(rest);
  out.push_back(static_cast<uint8_t>(0x80 | count));
  while (count) out.push_back(digits[--count]);
}

void AppendTlv(Bytes& out, uint8_t tag, const Bytes& content) {
  out.push_back(tag);
  AppendLength(out, content.size());
  out.insert(out.end(), content.begin(), content.end());
}

// Two's complement in the fewest octets.
Bytes IntegerContent(int32_t value) {
  Bytes content;
  for (int shift = 24; shift >= 0; shift -= 8)
    content.push_back(static_cast<uint8_t>(value >> shift));
  while (content.size() > 1 && ((content[0] == 0x00 && !(content[1] & 0x80)) ||
                                (content[0] == 0xFF && (content[1] & 0x80))))
    content.erase(content.begin());
  return content;
}

void AppendArc(Bytes& out, uint32_t arc) {
  uint8_t groups[5];
  size_t count = 0;
  do {
    groups[count++] = static_cast<uint8_t>(arc & 0x7F);
    arc >>= 7;
  } while (arc);
  while (count > 1) out.push_back(static_cast<uint8_t>(groups[--count] | 0x80));
  out.push_back(groups[0]);
}

bool OidContent(const Oid& oid, Bytes& content) {
  if (oid.size() < 2 || oid.size() > kMaxOidArcs || oid[0] > 2 || (oid[0] < 2 && oid[1] > 39) ||
      oid[1] > 0xFFFFFFFFu - 80)
    return false;
  AppendArc(content, oid[0] * 40 + oid[1]);
  for (size_t i = 2; i < oid.size(); ++i) AppendArc(content, oid[i]);
  return true;
}

// A view of the bytes still to be read inside one enclosing element.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), left_(size) {}

  [[nodiscard]] bool empty() const { return left_ == 0; }

  // The next element's tag and contents; the contents must lie within this reader.
  bool Next(uint8_t& tag, Reader& contents) {
    if (left_ < 2) return false;
    tag = data_[0];
    if ((tag & 0x1F) == 0x1F) return false;  // tag numbers above 30 appear in no SNMP message
    size_t length = data_[1];
    size_t header = 2;
    if (length & 0x80) {
      const size_t octets = length & 0x7F;
      // 0x80 is the indefinite form, which SNMP does not use; no datagram needs more than 4.
      if (octets == 0 || octets > 4 || left_ < 2 + octets) return false;
      length = 0;
      for (size_t i = 0; i < octets; ++i) length = (length << 8) | data_[2 + i];
      header += octets;
    }
    if (length > left_ - header) return false;
    contents = Reader(data_ + header, length);
    data_ += header + length;
    left_ -= header + length;
    return true;
  }

  bool Expect(uint8_t wanted, Reader& contents) {
    uint8_t tag = 0;
    return Next(tag, contents) && tag == wanted;
  }

  const uint8_t* data() const { return data_; }
  size_t size() const { return left_; }

 private:
  const uint8_t* data_;
  size_t left_;
};

bool SignedValue(const Reader& contents, size_t max_octets, int64_t& value) {
  const size_t size = contents.size();
  if (size == 0 || size > max_octets) return false;
  const uint8_t* p = contents.data();
  uint64_t bits = (p[0] & 0x80) ? ~uint64_t{0} : 0;
  for (size_t i = 0; i < size; ++i) bits = (bits << 8) | p[i];
  value = static_cast<int64_t>(bits);
  return true;
}

bool Integer32(Reader& outer, int32_t& value) {
  Reader contents(nullptr, 0);
  int64_t wide = 0;
  if (!outer.Expect(kTagInteger, contents) || !SignedValue(contents, 4, wide)) return false;
  value = static_cast<int32_t>(wide);
  return true;
}

// Counter32, Gauge32, TimeTicks: 0 to 2^32 - 1, with a leading 0 octet when the top bit is set.
bool Unsigned32(const Reader& contents, int64_t& value) {
  const size_t size = contents.size();
  const uint8_t* p = contents.data();
  if (size == 0 || size > 5 || (size == 5 && p[0] != 0) || (size < 5 && (p[0] & 0x80)))
    return false;
  uint64_t bits = 0;
  for (size_t i = 0; i < size; ++i) bits = (bits << 8) | p[i];
  value = static_cast<int64_t>(bits);
  return true;
}

bool DecodeOid(const Reader& contents, Oid& oid) {
  oid.clear();
  const uint8_t* p = contents.data();
  const size_t size = contents.size();
  if (size == 0) return false;
  uint64_t arc = 0;
  bool first = true;
  for (size_t i = 0; i < size; ++i) {
    if (arc == 0 && p[i] == 0x80) return false;  // a padded subidentifier
    arc = (arc << 7) | (p[i] & 0x7F);
    if (arc > 0xFFFFFFFFu) return false;
    if (p[i] & 0x80) continue;
    if (first) {
      const uint32_t top = arc < 40 ? 0 : arc < 80 ? 1 : 2;
      oid.push_back(top);
      oid.push_back(static_cast<uint32_t>(arc - top * 40));
      first = false;
    } else {
      if (oid.size() >= kMaxOidArcs) return false;
      oid.push_back(static_cast<uint32_t>(arc));
    }
    arc = 0;
  }
  return !(p[size - 1] & 0x80);  // the last subidentifier must end
}

bool DecodeValue(uint8_t tag, const Reader& contents, Value& value) {
  value = Value();
  value.tag = tag;
  switch (tag) {
    case kTagInteger: return SignedValue(contents, 8, value.number);
    case kTagCounter32:
    case kTagGauge32:
    case kTagTimeTicks: return Unsigned32(contents, value.number);
    case kTagObjectId: return DecodeOid(contents, value.oid);
    case kTagIpAddress:
      if (contents.size() != 4) return false;
      [[fallthrough]];
    case kTagOctetString:
    case kTagOpaque:
      value.bytes.assign(reinterpret_cast<const char*>(contents.data()), contents.size());
      return true;
    case kTagCounter64:
      if (contents.size() == 0 || contents.size() > 9) return false;
      value.bytes.assign(reinterpret_cast<const char*>(contents.data()), contents.size());
      return true;
    case kTagNull:
    case kTagNoSuchObject:
    case kTagNoSuchInstance:
    case kTagEndOfMibView: return contents.empty();
    default: return false;  // constructed values and other types have no place in a binding
  }
}

bool ValueContent(const Value& value, Bytes& content) {
  switch (value.tag) {
    case kTagInteger: {
      for (int shift = 56; shift >= 0; shift -= 8)
        content.push_back(static_cast<uint8_t>(value.number >> shift));
      while (content.size() > 1 && ((content[0] == 0x00 && !(content[1] & 0x80)) ||
                                    (content[0] == 0xFF && (content[1] & 0x80))))
        content.erase(content.begin());
      return true;
    }
    case kTagCounter32:
    case kTagGauge32:
    case kTagTimeTicks: {
      const uint32_t number = static_cast<uint32_t>(value.number);
      content.push_back(0);
      for (int shift = 24; shift >= 0; shift -= 8)
        content.push_back(static_cast<uint8_t>(number >> shift));
      while (content.size() > 1 && content[0] == 0 && !(content[1] & 0x80))
        content.erase(content.begin());
      return true;
    }
    case kTagObjectId: return OidContent(value.oid, content);
    default: content.assign(value.bytes.begin(), value.bytes.end()); return true;
  }
}

}  // namespace

Oid ParseOid(const char* dotted) {
  Oid oid;
  if (!dotted) return oid;
  const char* p = dotted;
  while (*p) {
    if (*p < '0' || *p > '9') return {};
    uint64_t arc = 0;
    while (*p >= '0' && *p <= '9') {
      arc = arc * 10 + static_cast<uint64_t>(*p++ - '0');
      if (arc > 0xFFFFFFFFu) return {};
    }
    oid.push_back(static_cast<uint32_t>(arc));
    if (*p == '.') {
      if (!*++p) return {};
    } else if (*p) {
      return {};
    }
  }
  return oid;
}

std::string OidText(const Oid& oid) {
  std::string text;
  for (size_t i = 0; i < oid.size(); ++i) {
    if (i) text += '.';
    text += std::to_string(oid[i]);
  }
  return text;
}

bool IsBelow(const Oid& oid, const Oid& prefix) {
  if (oid.size() <= prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (oid[i] != prefix[i]) return false;
  return true;
}

bool OidLess(const Oid& a, const Oid& b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    if (a[i] != b[i]) return a[i] < b[i];
  return a.size() < b.size();
}

std::vector<uint8_t> EncodeMessage(const Message& message) {
  if (message.community.size() > kMaxCommunity) return {};
  Bytes list;
  for (const VarBind& binding : message.bindings) {
    Bytes oid, value;
    if (!OidContent(binding.name, oid) || !ValueContent(binding.value, value)) return {};
    Bytes pair;
    AppendTlv(pair, kTagObjectId, oid);
    AppendTlv(pair, binding.value.tag, value);
    AppendTlv(list, kTagSequence, pair);
  }
  Bytes body;
  AppendTlv(body, kTagInteger, IntegerContent(message.request_id));
  AppendTlv(body, kTagInteger, IntegerContent(message.error_status));
  AppendTlv(body, kTagInteger, IntegerContent(message.error_index));
  AppendTlv(body, kTagSequence, list);
  Bytes whole;
  AppendTlv(whole, kTagInteger, IntegerContent(message.version));
  AppendTlv(whole, kTagOctetString, Bytes(message.community.begin(), message.community.end()));
  AppendTlv(whole, message.pdu, body);
  Bytes out;
  AppendTlv(out, kTagSequence, whole);
  return out;
}

std::vector<uint8_t> EncodeRequest(int32_t version, const std::string& community, uint8_t pdu,
                                   int32_t request_id, const std::vector<Oid>& names) {
  Message request;
  request.version = version;
  request.community = community;
  request.pdu = pdu;
  request.request_id = request_id;
  for (const Oid& name : names) request.bindings.push_back({name, Value()});
  return EncodeMessage(request);
}

bool DecodeMessage(const uint8_t* data, size_t size, Message& message) {
  if (!data) return false;
  Reader datagram(data, size);
  Reader whole(nullptr, 0);
  if (!datagram.Expect(kTagSequence, whole) || !datagram.empty()) return false;

  if (!Integer32(whole, message.version)) return false;
  if (message.version != kVersion1 && message.version != kVersion2c) return false;
  Reader community(nullptr, 0);
  if (!whole.Expect(kTagOctetString, community) || community.size() > kMaxCommunity) return false;
  message.community.assign(reinterpret_cast<const char*>(community.data()), community.size());

  Reader pdu(nullptr, 0);
  if (!whole.Next(message.pdu, pdu) || !whole.empty()) return false;
  if (message.pdu != kGetRequest && message.pdu != kGetNextRequest && message.pdu != kResponse)
    return false;
  if (!Integer32(pdu, message.request_id) || !Integer32(pdu, message.error_status) ||
      !Integer32(pdu, message.error_index))
    return false;
  Reader list(nullptr, 0);
  if (!pdu.Expect(kTagSequence, list) || !pdu.empty()) return false;

  message.bindings.clear();
  while (!list.empty()) {
    if (message.bindings.size() >= kMaxBindings) return false;
    Reader binding(nullptr, 0), name(nullptr, 0), value(nullptr, 0);
    uint8_t tag = 0;
    if (!list.Expect(kTagSequence, binding) || !binding.Expect(kTagObjectId, name) ||
        !binding.Next(tag, value) || !binding.empty())
      return false;
    VarBind decoded;
    if (!DecodeOid(name, decoded.name) || !DecodeValue(tag, value, decoded.value)) return false;
    message.bindings.push_back(std::move(decoded));
  }
  return true;
}

}  // namespace kv::snmp
