#include "platform/policy.h"

#include <cwchar>

namespace kv {
namespace {

bool OpenBelow(HKEY root, const wchar_t* key, unique_hkey& out) {
  return root && RegOpenKeyExW(root, key, 0, KEY_QUERY_VALUE, out.put()) == ERROR_SUCCESS;
}

// A REG_SZ value of an open key into `units` units, terminated; false when it is missing,
// of another type or does not fit.
bool ReadText(HKEY key, const wchar_t* name, wchar_t* out, size_t units) {
  DWORD type = REG_NONE, bytes = static_cast<DWORD>((units - 1) * sizeof(wchar_t));
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &bytes) !=
      ERROR_SUCCESS)
    return false;
  if (type != REG_SZ) {
    out[0] = L'\0';
    return true;  // present, but no text
  }
  out[bytes / sizeof(wchar_t)] = L'\0';
  return true;
}

}  // namespace

Policy::Policy() {
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPolicyRoot, 0, KEY_READ, owned_.put()) == ERROR_SUCCESS)
    root_ = owned_.get();
}

Policy::Policy(HKEY root) : root_(root) {}

bool Policy::Number(const PolicyValue& value, DWORD& out) const {
  unique_hkey key;
  if (!OpenBelow(root_, value.key, key)) return false;
  DWORD type = REG_NONE, number = 0, bytes = sizeof number;
  if (RegQueryValueExW(key.get(), value.name, nullptr, &type, reinterpret_cast<BYTE*>(&number),
                       &bytes) != ERROR_SUCCESS ||
      type != REG_DWORD || bytes != sizeof number)
    return false;
  out = number;
  return true;
}

bool Policy::TextA(const PolicyValue& value, char* out, size_t units) const {
  unique_hkey key;
  if (units == 0 || !OpenBelow(root_, value.key, key)) return false;
  char name[64] = {};
  if (WideCharToMultiByte(CP_ACP, 0, value.name, -1, name, sizeof name, nullptr, nullptr) <= 0)
    return false;
  DWORD type = REG_NONE, bytes = static_cast<DWORD>(units - 1);
  if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(out), &bytes) !=
          ERROR_SUCCESS ||
      type != REG_SZ)
    return false;
  out[bytes] = '\0';  // the stored terminator, or one added after a text stored without
  return true;
}

bool Policy::HasEntries(const PolicyValue& list) const {
  unique_hkey key;
  DWORD values = 0;
  return OpenBelow(root_, list.key, key) &&
         RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                          nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         values > 0;
}

bool Policy::ForModel(const PolicyValue& list, const wchar_t* model, wchar_t* out,
                      size_t units) const {
  unique_hkey key;
  if (units == 0 || !OpenBelow(root_, list.key, key)) return false;
  return (model && model[0] && ReadText(key.get(), model, out, units)) ||
         ReadText(key.get(), L"*", out, units);
}

}  // namespace kv
