// Locked defaults: which lock a model gets from the policy's words, what it does to a stored
// record, and the shipped policy templates against the values the code reads.
#include "devmode/record_locks.h"

#include <windows.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "emuhost/plugin_host.h"

namespace {

constexpr kv::ModelAbilities kWithDisk = {false, true, 3}, kWithoutDisk = {false, false, 0},
                             kSecure = {true, true, 1};

struct LockCase {
  const char* name;
  kv::ModelAbilities model;
  const wchar_t* word;
  bool accounting;
  int16_t stored, locked;  // wHoldMode before and after
  int16_t job_accounting;  // after, from 0
};

const LockCase kLockCases[] = {
    {"job type by its word, any case", kWithDisk, L"proof", false, 0, 2, 0},
    {"a locked type keeps its store flag", kWithDisk, L"Proof", false, 3, 3, 0},
    {"Delay over Spool", kWithDisk, L"Delay", false, 8, 9, 0},
    {"a word that is no job type", kWithDisk, L"Private", false, 8, 8, 0},
    {"no disk: nothing held on the printer", kWithoutDisk, L"Store", false, 0, 0, 0},
    {"no disk: Normal still turns holding off", kWithoutDisk, L"Normal", false, 9, 0, 0},
    {"secure list: Confidential is its second", kSecure, L"Confidential", false, 0, 1, 0},
    {"secure list has no Proof", kSecure, L"Proof", false, 0, 0, 0},
    {"job accounting kept at the model's setting", kWithDisk, nullptr, true, 0, 0, 3},
    {"model without job accounting", kWithoutDisk, nullptr, true, 0, 0, 0},
};

TEST(RecordLocks, EachModelGetsTheLockItCanHonour) {
  for (const LockCase& row : kLockCases) {
    SCOPED_TRACE(row.name);
    kv::PrivateDevmode record = {};
    record.wHoldMode = row.stored;
    kv::ApplyRecordLocks(kv::LocksFor(row.model, row.word, row.accounting), record);
    EXPECT_EQ(row.locked, record.wHoldMode);
    EXPECT_EQ(row.job_accounting, record.wJobAccounting);
  }
}

std::string Read(const std::wstring& name) {
  std::ifstream in((emuhost::ProgramFolder() + L"policy\\" + name).c_str(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// ASCII text, and a registry key in one case.
std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Attribute(const std::string& tag, const char* name) {
  std::smatch found;
  return std::regex_search(tag, found, std::regex(std::string("\\s") + name + "=\"([^\"]*)\""))
             ? found[1].str()
             : "";
}

// Every registry value the templates set (key, value name, kind), against the code's list;
// every language's resources name every string and presentation the template uses.
TEST(PolicyTemplates, SetExactlyTheValuesTheCodeReads) {
  const std::string admx = Read(L"kvprint.admx");
  std::set<std::tuple<std::string, std::string, std::string>> templates, code;
  const std::regex policy("<policy\\s[^>]*>[\\s\\S]*?</policy>"),
      element("<(decimal|text|list)\\s[^>]*>");
  for (std::sregex_iterator it(admx.begin(), admx.end(), policy), end; it != end; ++it) {
    const std::string whole = it->str(), head = whole.substr(0, whole.find('>'));
    const std::string key = Lower(Attribute(head, "key"));
    if (!Attribute(head, "valueName").empty()) {
      templates.insert({key, Attribute(head, "valueName"), "number"});
      EXPECT_NE(std::string::npos, whole.find("<disabledValue>")) << "an on/off policy sets both";
    }
    const size_t elements = whole.find("<elements>");
    const std::string body = elements == std::string::npos ? "" : whole.substr(elements);
    for (std::sregex_iterator e(body.begin(), body.end(), element), stop; e != stop; ++e) {
      const std::string kind = (*e)[1].str(), own = Lower(Attribute(e->str(), "key"));
      templates.insert({own.empty() ? key : own, Attribute(e->str(), "valueName"),
                        kind == "decimal" ? "number" : kind});
    }
  }
  for (const kv::PolicyValue* value : kv::policy::kAll) {
    const char* kinds[] = {"number", "text", "list"};
    code.insert({Lower(Narrow(std::wstring(kv::kPolicyRoot) + L"\\" + value->key)),
                 value->name ? Narrow(value->name) : "", kinds[static_cast<int>(value->kind)]});
  }
  for (auto& [key, name, kind] : code) EXPECT_EQ(1u, templates.count({key, name, kind})) << key;
  EXPECT_EQ(code.size(), templates.size());

  const std::regex reference("\\$\\((string|presentation)\\.([A-Za-z0-9_]+)\\)");
  for (const wchar_t* culture : {L"en-US", L"de-DE", L"fr-FR", L"ja-JP", L"ar-SA"}) {
    const std::string adml = Read(std::wstring(culture) + L"\\kvprint.adml");
    for (std::sregex_iterator it(admx.begin(), admx.end(), reference), end; it != end; ++it)
      EXPECT_NE(std::string::npos,
                adml.find("<" + (*it)[1].str() + " id=\"" + (*it)[2].str() + "\""))
          << Narrow(culture) << " " << it->str();
  }
}

}  // namespace
