// Settings an administrator sets for every PC of a company: Group Policy (or any tool that
// writes the registry) keeps them under HKLM\SOFTWARE\Policies, where users cannot change
// them. A value set there wins over the same setting in the files beside the driver. The
// templates in policy/ set exactly the values listed here, and a test holds the two together.
#pragma once

#include <windows.h>

#include <cstddef>

#include "platform/handles.h"

namespace kv {

inline constexpr wchar_t kPolicyRoot[] = L"SOFTWARE\\Policies\\Korvane\\KVPrint";

enum class PolicyKind {
  kNumber,     // REG_DWORD
  kText,       // REG_SZ
  kModelList,  // a key whose values are named after driver (model) names, or "*" for all
};

struct PolicyValue {
  const wchar_t* key;   // below kPolicyRoot
  const wchar_t* name;  // the value's name; null for a model list
  PolicyKind kind;
};

namespace policy {
// The companion's settings, under the sections and names of its settings file.
inline constexpr PolicyValue kIppEnabled = {L"IPP", L"Enabled", PolicyKind::kNumber};
inline constexpr PolicyValue kIppPort = {L"IPP", L"Port", PolicyKind::kNumber};
inline constexpr PolicyValue kSnmpCommunity = {L"SNMP", L"Community", PolicyKind::kText};
inline constexpr PolicyValue kSnmpPort = {L"SNMP", L"Port", PolicyKind::kNumber};
inline constexpr PolicyValue kBudgetMs = {L"SNMP", L"BudgetMs", PolicyKind::kNumber};
inline constexpr PolicyValue kAnswersSeconds = {L"Cache", L"AnswersSeconds", PolicyKind::kNumber};
inline constexpr PolicyValue kSilenceSeconds = {L"Cache", L"SilenceSeconds", PolicyKind::kNumber};
// Locked defaults of the private record, per model: the Print and Hold job type by its word
// ("Normal", "Proof", "Confidential", "Store", "Spool", "Delay"), and job accounting kept on.
inline constexpr PolicyValue kHoldJobType = {L"Locks\\HoldJobType", nullptr,
                                             PolicyKind::kModelList};
inline constexpr PolicyValue kJobAccounting = {L"Locks\\JobAccounting", nullptr,
                                               PolicyKind::kModelList};

inline constexpr const PolicyValue* kAll[] = {
    &kIppEnabled,     &kIppPort,        &kSnmpCommunity, &kSnmpPort,      &kBudgetMs,
    &kAnswersSeconds, &kSilenceSeconds, &kHoldJobType,   &kJobAccounting,
};
}  // namespace policy

// The policy key, opened for reading; without one (no policy set) every read says "not set".
class Policy {
 public:
  // HKLM's policy key.
  Policy();
  // Another root in its place (tests read a sandbox); the handle stays the caller's.
  explicit Policy(HKEY root);

  // A REG_DWORD value; false when it is not set or of another type.
  [[nodiscard]] bool Number(const PolicyValue& value, DWORD& out) const;
  // A REG_SZ value in the ANSI code page (bytes, as a community goes on the wire), at most
  // units - 1 bytes; false when not set, of another type or longer.
  [[nodiscard]] bool TextA(const PolicyValue& value, char* out, size_t units) const;
  // Whether a model list holds any entry.
  [[nodiscard]] bool HasEntries(const PolicyValue& list) const;
  // A model list's entry for `model`, else its entry "*": the value's text (empty for a
  // value that is not text); false when the list holds neither.
  [[nodiscard]] bool ForModel(const PolicyValue& list, const wchar_t* model, wchar_t* out,
                              size_t units) const;

 private:
  unique_hkey owned_;
  HKEY root_ = nullptr;
};

}  // namespace kv
