// Locked defaults: which lock a model gets from the policy's words, what it does to a stored
// job type, and the shipped policy templates against the values the code reads.
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

using kv::ModelAbilities;
using kv::RecordLocks;

constexpr ModelAbilities kWithDisk = {false, true, 3};
constexpr ModelAbilities kWithoutDisk = {false, false, 0};
constexpr ModelAbilities kSecure = {true, true, 1};

struct LockCase {
  const char* name;
  ModelAbilities model;
  const wchar_t* word;
  bool accounting;
  int hold_index;
  int16_t job_accounting;
};

const LockCase kLockCases[] = {
    {"job type by its word, any case", kWithDisk, L"proof", false, 1, 0},
    {"Delay", kWithDisk, L"Delay", false, 5, 0},
    {"a word that is no job type", kWithDisk, L"Private", false, -1, 0},
    {"no disk: nothing held on the printer", kWithoutDisk, L"Store", false, -1, 0},
    {"no disk: Normal still locks holding off", kWithoutDisk, L"Normal", false, 0, 0},
    {"secure list: Confidential is its second", kSecure, L"Confidential", false, 1, 0},
    {"secure list has no Proof", kSecure, L"Proof", false, -1, 0},
    {"job accounting kept at the model's setting", kWithDisk, nullptr, true, -1, 3},
    {"model without job accounting", kWithoutDisk, nullptr, true, -1, 0},
};

TEST(RecordLocks, EachModelGetsTheLockItCanHonour) {
  for (const LockCase& row : kLockCases) {
    SCOPED_TRACE(row.name);
    const RecordLocks locks = kv::LocksFor(row.model, row.word, row.accounting);
    EXPECT_EQ(row.hold_index, locks.hold_index);
    EXPECT_EQ(row.job_accounting, locks.job_accounting);
  }
}

TEST(RecordLocks, ALockedJobTypeReplacesAnotherAndKeepsItsOwnStoreFlag) {
  const RecordLocks proof = kv::LocksFor(kWithDisk, L"Proof", false);
  EXPECT_EQ(2, kv::LockedHoldMode(proof, 0));  // Normal becomes Proof
  EXPECT_EQ(2, kv::LockedHoldMode(proof, 9));  // so does Delay
  EXPECT_EQ(3, kv::LockedHoldMode(proof, 3));  // Proof with "Store Print Job" stays
  EXPECT_EQ(1, kv::LockedHoldMode(kv::LocksFor(kSecure, L"Confidential", false), 0));
  EXPECT_EQ(4, kv::LockedHoldMode(RecordLocks{}, 4));  // no lock: as stored
  kv::PrivateDevmode record = {};
  record.wJobAccounting = 0;
  kv::ApplyRecordLocks(kv::LocksFor(kWithDisk, nullptr, true), record);
  EXPECT_EQ(3, record.wJobAccounting);
}

// The templates an administrator loads, read as text: every registry key and value they set.
std::string ReadAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Lower(std::string text) {
  for (auto& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

using Setting = std::tuple<std::string, std::string, std::string>;  // key, value name, kind

std::string Attribute(const std::string& tag, const char* name) {
  std::smatch found;
  const std::regex pattern(std::string("\\s") + name + "=\"([^\"]*)\"");
  return std::regex_search(tag, found, pattern) ? found[1].str() : "";
}

TEST(PolicyTemplates, SetExactlyTheValuesTheCodeReads) {
  const std::wstring folder = emuhost::ProgramFolder() + L"policy\\";
  const std::string admx = ReadAll(folder + L"kvprint.admx");
  ASSERT_FALSE(admx.empty());

  std::set<Setting> templates;
  const std::regex policy_pattern("<policy\\s[^>]*>([\\s\\S]*?)</policy>");
  for (std::sregex_iterator it(admx.begin(), admx.end(), policy_pattern), end; it != end; ++it) {
    const std::string whole = (*it)[0].str();
    const std::string head = whole.substr(0, whole.find('>') + 1);
    const std::string key = Lower(Attribute(head, "key"));
    if (!Attribute(head, "valueName").empty()) {
      templates.insert({key, Lower(Attribute(head, "valueName")), "number"});
      // An on/off policy sets its value both ways.
      EXPECT_NE(std::string::npos, whole.find("<enabledValue>")) << head;
      EXPECT_NE(std::string::npos, whole.find("<disabledValue>")) << head;
    }
    // The values its elements set (an on/off policy's own values are not elements).
    const std::regex element("<(decimal|text|list)\\s[^>]*>");
    const size_t open = whole.find("<elements>"), close = whole.find("</elements>");
    const std::string body = open == std::string::npos ? "" : whole.substr(open, close - open);
    for (std::sregex_iterator e(body.begin(), body.end(), element), stop; e != stop; ++e) {
      const std::string tag = (*e)[0].str(), kind = (*e)[1].str();
      if (kind == "list")
        templates.insert({Lower(Attribute(tag, "key")), "", "list"});
      else
        templates.insert(
            {key, Lower(Attribute(tag, "valueName")), kind == "text" ? "text" : "number"});
    }
  }

  std::set<Setting> code;
  for (const kv::PolicyValue* value : kv::policy::kAll) {
    const std::string key = Lower(Narrow(std::wstring(kv::kPolicyRoot) + L"\\" + value->key));
    switch (value->kind) {
      case kv::PolicyKind::kNumber: code.insert({key, Lower(Narrow(value->name)), "number"}); break;
      case kv::PolicyKind::kText: code.insert({key, Lower(Narrow(value->name)), "text"}); break;
      case kv::PolicyKind::kModelList: code.insert({key, "", "list"}); break;
    }
  }
  EXPECT_EQ(code, templates);

  // Every language's resources name every string and presentation the template uses.
  const std::regex reference("\\$\\((string|presentation)\\.([A-Za-z0-9_]+)\\)");
  for (const wchar_t* culture : {L"en-US", L"de-DE", L"fr-FR", L"ja-JP", L"ar-SA"}) {
    SCOPED_TRACE(Narrow(culture));
    const std::string adml = ReadAll(folder + culture + L"\\kvprint.adml");
    ASSERT_FALSE(adml.empty());
    for (std::sregex_iterator it(admx.begin(), admx.end(), reference), end; it != end; ++it)
      EXPECT_NE(std::string::npos,
                adml.find("<" + (*it)[1].str() + " id=\"" + (*it)[2].str() + "\""))
          << (*it)[0].str();
  }
}

}  // namespace
