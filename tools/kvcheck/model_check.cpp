#include "tools/kvcheck/model_check.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <iterator>
#include <map>
#include <set>
#include <tuple>

#include "about/about_text.h"
#include "config/driver_info.h"
#include "config/model_files.h"
#include "config/model_keys.h"
#include "context/sheet_context.h"
#include "device/diagnostic_pages.h"
#include "dialogs/context_help.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/hold_rules.h"
#include "emuhost/model_inf.h"
#include "emuhost/model_install.h"
#include "pictures/access_check.h"
#include "pictures/text_fit.h"
#include "platform/handles.h"
#include "platform/profile_reader.h"
#include "platform/text.h"
#include "resources/dialog_ids.h"
#include "sheets/property_sheets.h"
#include "tools/kvcheck/package_check.h"

namespace kvcheck {
namespace {

using namespace emuhost;
using pictures::ClippedTextsOf;
using pictures::MnemonicOf;

using kv::KeyKind;
using kv::ModelFile;
using kv::ModelKey;
using kv::Reach;

// What a profile read gives back when the entry is not there at all.
constexpr wchar_t kAbsent[] = L"\x01\x02(absent)";
constexpr size_t kLineUnits = 8192;
constexpr size_t kListUnits = 65536;

constexpr int kStatusGroup[] = {IDC_TS_WAYFER_GROUP, IDC_TS_WAYFER_TEXT, IDC_TS_WAYFER_TOPIC,
                                IDC_TS_SETTINGS};
// The page sizes these to their texts, so their captions cannot be clipped.
constexpr int kSizedToText[] = {IDC_TS_WAYFER_TOPIC, IDC_TS_LINK1, IDC_TS_LINK2, IDC_TS_LINK3,
                                IDC_TS_LINK4,        IDC_TS_LINK5, IDC_TS_LINK6};

template <size_t N>
bool OneOf(const int (&ids)[N], int id) {
  for (int candidate : ids)
    if (candidate == id) return true;
  return false;
}

bool IsLengthHint(int id) { return id == IDC_PASS_HINT || id == IDC_CONFIRM_HINT; }
bool IsFormattedHint(int id) {
  return IsLengthHint(id) || id == IDC_PASS_RANGE_HINT || id == IDC_CONFIRM_RANGE_HINT;
}

std::wstring Section(const wchar_t* word) { return std::wstring(word) + L" Dialog"; }
std::wstring Place(const std::wstring& section) { return L"[" + section + L"]"; }

// The entry as the file holds it; false when it is not there.
bool Raw(const std::wstring& file, const std::wstring& section, const std::wstring& key,
         std::wstring& value) {
  std::wstring buffer(kLineUnits, L'\0');
  GetPrivateProfileStringW(section.c_str(), key.c_str(), kAbsent, buffer.data(),
                           static_cast<DWORD>(buffer.size()), file.c_str());
  buffer.resize(wcslen(buffer.c_str()));
  if (buffer == kAbsent) return false;
  value = buffer;
  return true;
}

// A text the plug-in would use: present and not empty.
bool HasText(const std::wstring& file, const std::wstring& section, const std::wstring& key,
             std::wstring& value) {
  return Raw(file, section, key, value) && !value.empty();
}

// The names of the file's sections (null section) or of one section's keys.
std::vector<std::wstring> Names(const std::wstring& file, const wchar_t* section) {
  std::vector<wchar_t> buffer(kListUnits, L'\0');
  const DWORD length =
      section ? GetPrivateProfileStringW(section, nullptr, L"", buffer.data(),
                                         static_cast<DWORD>(buffer.size()), file.c_str())
              : GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(buffer.size()),
                                               file.c_str());
  std::vector<std::wstring> names;
  for (DWORD at = 0; at < length && buffer[at] != L'\0';) {
    names.emplace_back(&buffer[at]);
    at += static_cast<DWORD>(names.back().size()) + 1;
  }
  return names;
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A whole number as the profile functions read it: blanks, a sign, decimal digits, and
// nothing after them.
bool ParseNumber(const std::wstring& text, long long& value) {
  size_t at = 0;
  while (at < text.size() && (text[at] == L' ' || text[at] == L'\t')) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) negative = text[at++] == L'-';
  const size_t digits = at;
  value = 0;
  for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
    value = value * 10 + (text[at] - L'0');
    if (value > 0xFFFFFFFFLL) return false;
  }
  while (at < text.size() && (text[at] == L' ' || text[at] == L'\t')) ++at;
  if (negative) value = -value;
  return at > digits && at == text.size() && text[digits] >= L'0' && text[digits] <= L'9';
}

bool EndsWithNoCase(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() &&
         _wcsicmp(text.c_str() + text.size() - end.size(), end.c_str()) == 0;
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
  return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& start) {
  return text.size() >= start.size() && _wcsnicmp(text.c_str(), start.c_str(), start.size()) == 0;
}

// The whole file; false when it cannot be read.
bool ReadBytes(const std::wstring& path, std::string& bytes) {
  const HANDLE opened =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return false;
  const kv::unique_handle file(opened);
  char block[16384];
  DWORD got = 0;
  while (ReadFile(file.get(), block, sizeof block, &got, nullptr) && got > 0)
    bytes.append(block, got);
  return true;
}

INT_PTR CALLBACK QuietProcedure(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

struct Table {
  std::wstring name;  // within the folder
  std::wstring path;
  std::wstring code;  // the language code in its name; empty for a table without one
};

class Checker {
 public:
  Checker(const std::wstring& folder, const CheckSetup& setup) : setup_(setup) {
    wchar_t full[MAX_PATH] = {};
    std::wstring given = folder;
    for (auto& c : given)
      if (c == L'/') c = L'\\';
    GetFullPathNameW(given.c_str(), MAX_PATH, full, nullptr);
    folder_ = full;
    if (!folder_.empty() && folder_.back() != L'\\') folder_ += L'\\';
  }

  ModelCheck Run() {
    if (!FindDataFile()) return std::move(result_);
    ReadModel();
    for (const ModelKey* row : kv::kModelKeys) CheckRow(*row);
    CheckPasscodeLengths();
    CheckTabs();
    CheckTestPages();
    FindTables();
    for (const Table& table : tables_) CheckTable(table);
    CompareTables();
    CheckPictures();
    CheckHelpFile();
    // Last, so that a missing file the rules above explain is reported with what it costs.
    CheckInf();
    result_.tables = tables_.size();
    return std::move(result_);
  }

 private:
  void Report(const std::wstring& file, const std::wstring& place, const std::wstring& key,
              const std::wstring& problem) {
    if (!reported_.insert(std::make_tuple(file, place, key)).second) return;
    result_.findings.push_back({file, place, key, problem});
  }

  // The folder's one file ending in `extension`; empty, with the problem reported, when it
  // has none or several.
  std::wstring TheOnlyFile(const wchar_t* extension, const wchar_t* when_none,
                           const wchar_t* when_several) {
    std::vector<std::wstring> found;
    for (const auto& name : FilesIn(folder_))
      if (EndsWithNoCase(name, extension)) found.push_back(name);
    if (found.size() == 1) return found.front();
    Report(folder_, L"", L"", found.empty() ? when_none : when_several);
    return L"";
  }

  bool FindDataFile() {
    const std::wstring data_file =
        TheOnlyFile(L".PPD", L"no data file (.PPD): nothing of the model can be found",
                    L"more than one data file (.PPD): which model is meant is unclear");
    if (data_file.empty()) return false;
    wchar_t stem[kv::kPathUnits];
    kv::ModelBasePath(data_file.c_str(), stem);
    profile_name_ = std::wstring(stem) + L"u.INI";
    version_name_ = std::wstring(stem) + L".VER";
    profile_.SetFile((folder_ + profile_name_).c_str());
    version_.SetFile((folder_ + version_name_).c_str());
    has_profile_ = FileExists(folder_ + profile_name_);
    has_version_ = FileExists(folder_ + version_name_);
    if (!has_profile_)
      Report(profile_name_, L"", L"",
             L"missing: every switch reads as 0 and every text as its key name");
    if (!has_version_)
      Report(version_name_, L"", L"",
             L"missing: the model is not language dependent and has no version texts");
    return true;
  }

  // The folder's driver INF, for each architecture: every file it copies lies in the folder,
  // every file of the folder is copied, and so are the plug-in the profile names to the
  // driver and its companion. A model's own folder lacks the binaries the build adds (each
  // architecture's, in the folder the INF's source disk names); a package, which holds some
  // of them, must hold them all. What a package carries beside the files it installs (its
  // catalog, and symbols left beside a build) is not the driver's.
  void CheckInf() {
    const std::wstring inf_name =
        TheOnlyFile(L".INF", L"no driver INF (.INF): the model cannot be installed",
                    L"more than one driver INF (.INF): which one installs the model is unclear");
    if (inf_name.empty()) return;
    std::wstring plugin;
    if (has_profile_ && !Raw(folder_ + profile_name_, L"OEMFiles", L"OEMConfigFile1", plugin))
      Report(profile_name_, Place(L"OEMFiles"), L"OEMConfigFile1",
             L"missing: the driver loads no plug-in");
    std::wstring catalog;
    Raw(folder_ + inf_name, L"Version", L"CatalogFile", catalog);
    std::vector<std::wstring> in_folder;
    for (const auto& name : FilesIn(folder_))
      if (!SameFile(name, inf_name) && !SameFile(name, catalog) && !EndsWithNoCase(name, L".debug"))
        in_folder.push_back(name);

    std::vector<ModelInf> infs;
    bool package = false;
    for (const wchar_t* architecture : {kInfAmd64, kInfX86}) {
      infs.push_back(ReadModelInf(folder_ + inf_name, architecture));
      for (const auto& file : infs.back().copied)
        package |= file.from != file.name && FileExists(folder_ + file.from);
    }
    PackageFacts facts{folder_, inf_name, L"", {}};
    // Each file the INF leaves out, with the architectures it is left out for.
    std::map<std::wstring, std::wstring> left_out;
    for (size_t a = 0; a < infs.size(); ++a) {
      const wchar_t* architecture = a == 0 ? kInfAmd64 : kInfX86;
      const ModelInf& inf = infs[a];
      if (!inf.error.empty()) {
        Report(inf_name, L"", architecture, inf.error);
        continue;
      }
      facts.data_file = inf.package.data_file;
      facts.architectures.push_back(
          {architecture, inf.install_section, inf.package.driver_name, {}, {}});
      for (const auto& file : inf.copied) facts.architectures.back().copied.push_back(file.name);
      const auto copies = [&](const std::wstring& name) {
        return std::any_of(inf.copied.begin(), inf.copied.end(),
                           [&](const CopiedFile& c) { return SameFile(c.name, name); });
      };
      if (!plugin.empty() && !copies(plugin))
        Report(profile_name_, Place(L"OEMFiles"), L"OEMConfigFile1",
               L"\"" + plugin + L"\" is not among the files " + inf_name +
                   L" copies: the driver does not load the plug-in");
      else if (!plugin.empty() && !copies(CompanionOf(plugin)))
        Report(inf_name, L"", L"",
               CompanionOf(plugin) + L", the companion of " + plugin +
                   L", is not copied: the installable options are never asked of the printer");
      for (const auto& file : inf.copied) {
        const bool built = file.from != file.name;
        if (built && package) facts.architectures.back().binaries.push_back(file.from);
        if (!FileExists(folder_ + file.from) && (package || !built))
          Report(file.from, L"", L"", L"missing: " + inf_name + L" copies it");
      }
      for (const auto& name : in_folder) {
        if (copies(name)) continue;
        std::wstring& architectures = left_out[name];
        architectures += (architectures.empty() ? L"" : L" and ") + std::wstring(architecture);
      }
    }
    for (const auto& [name, architectures] : left_out)
      Report(name, L"", L"",
             L"not copied by " + inf_name + L" for " + architectures +
                 L": the installed driver lacks it");
    for (const auto& finding : CheckPackage(facts))
      Report(finding.file, finding.place, finding.key, finding.problem);
  }

  int ReadInt(const ModelKey& row) {
    return (row.file == ModelFile::kProfile ? profile_ : version_).Read(row);
  }

  void ReadModel() {
    wchar_t text[kv::kTextUnits];
    profile_.ReadText(kv::keys::kOemPrefix, text);
    prefix_ = text;
    profile_.ReadText(kv::keys::kCaption, text);
    brand_ = kv::BrandOfCaption(text);
    secure_print_ = ReadInt(kv::keys::kSecurePrint);
    status_monitor_ = ReadInt(kv::keys::kTroubleWayfer) != 0;
    language_dependent_ = ReadInt(kv::keys::kLanguageDependent) == 1;
    job_monitor_ = ReadInt(kv::keys::kJobMonitor) != 0;
    min_pass_ = ReadInt(kv::keys::kHoldMinPass);
    max_pass_ = ReadInt(kv::keys::kHoldMaxPass);
    account_min_ = ReadInt(kv::keys::kAccountMinPass);
    account_max_ = ReadInt(kv::keys::kAccountMaxPass);
    // The Troubleshooting page: brand 1 with the page in its tab list.
    const int tabs = std::min(ReadInt(kv::keys::kTabNumber), kv::kMaxTabs);
    for (int i = 0; i < tabs && brand_ == 1; ++i)
      if (ReadTab(i) == kv::kTroubleshootingTab) page_ = true;
  }

  int ReadTab(int i) {
    wchar_t key[16];
    swprintf(key, 16, kv::keys::kTabFormat, i);
    return profile_.ReadInt(kv::keys::kTabNumber.section, key, kv::keys::kTabFallback);
  }

  bool Reached(Reach reach) const {
    switch (reach) {
      case Reach::kDocument:
      case Reach::kPrinter:
      case Reach::kCopiesQuestion: return true;
      case Reach::kPage: return page_;
      case Reach::kStatusMonitor: return page_ && status_monitor_;
      case Reach::kBrandPainted: return page_ && brand_ != 1;
    }
    return false;
  }

  bool Needed(const ModelKey& row) const {
    if (&row == &kv::keys::kJobMonitorPath) return job_monitor_;
    if (&row == &kv::keys::kEncryptionKey) return secure_print_ == 1;
    if (&row == &kv::keys::kTestPages) return page_;
    if (&row == &kv::keys::kModel) return Reached(Reach::kBrandPainted);
    return row.required;
  }

  void CheckRow(const ModelKey& row) {
    const bool profile = row.file == ModelFile::kProfile;
    if (!(profile ? has_profile_ : has_version_)) return;
    const std::wstring& name = profile ? profile_name_ : version_name_;
    const std::wstring file = folder_ + name;
    std::wstring value;
    const bool present = Raw(file, row.section, row.name, value);
    if (row.kind == KeyKind::kText) {
      if (!present || value.empty()) {
        if (Needed(row))
          Report(name, Place(row.section), row.name,
                 std::wstring(present ? L"empty" : L"missing") + L": reads as its key name");
      } else if (value.size() >= kv::kTextUnits) {
        Report(name, Place(row.section), row.name, L"longer than 255 characters: cut when read");
      }
      return;
    }
    if (!present) {
      if (Needed(row)) Report(name, Place(row.section), row.name, L"missing");
      return;
    }
    CheckNumber(name, row.section, row.name, value, row.minimum, row.maximum);
  }

  void CheckNumber(const std::wstring& name, const std::wstring& section, const std::wstring& key,
                   const std::wstring& value, long long minimum, long long maximum) {
    long long number = 0;
    if (!ParseNumber(value, number)) {
      const UINT read =
          GetPrivateProfileIntW(section.c_str(), key.c_str(), 0, (folder_ + name).c_str());
      Report(name, Place(section), key,
             L"\"" + value + L"\" is not a number (read as " +
                 std::to_wstring(static_cast<int>(read)) + L")");
    } else if (number < minimum || number > maximum) {
      Report(name, Place(section), key,
             std::to_wstring(number) + L" lies outside " + std::to_wstring(minimum) + L".." +
                 std::to_wstring(maximum));
    }
  }

  // The dialogs take a passcode no longer than the place that keeps it: a maximum above that
  // is cut, and a minimum above what is left accepts nothing.
  void CheckPasscodeLengths() {
    if (!has_profile_) return;
    const bool secure = secure_print_ == 1;
    const struct {
      const ModelKey* minimum;
      const ModelKey* maximum;
      int field_length;
      const wchar_t* field;
    } pairs[] = {{&kv::keys::kHoldMinPass, &kv::keys::kHoldMaxPass, kv::HoldPasscodeLength(secure),
                  secure ? L"szHoldPassword" : L"szHoldPIN"},
                 {&kv::keys::kAccountMinPass, &kv::keys::kAccountMaxPass,
                  kv::kAccountPasswordLength, L"the printer's JOBACCOUNT_PW"}};
    for (const auto& pair : pairs) {
      const int low = ReadInt(*pair.minimum), high = ReadInt(*pair.maximum);
      // A maximum outside its row's values has its finding from the row already.
      if (high < pair.maximum->minimum || high > pair.maximum->maximum) continue;
      const int usable = kv::UsableMaxLength(high, pair.field_length);
      if (high > usable)
        Report(profile_name_, Place(pair.maximum->section), pair.maximum->name,
               std::to_wstring(high) + L" lies above the " + std::to_wstring(pair.field_length) +
                   L" characters " + pair.field + L" keeps: the dialog takes at most " +
                   std::to_wstring(usable));
      if (low > usable)
        Report(profile_name_, Place(pair.minimum->section), pair.minimum->name,
               std::to_wstring(low) + L" lies above " +
                   (high > usable ? std::wstring(L"the longest passcode kept, ")
                                  : std::wstring(pair.maximum->name) + L" ") +
                   std::to_wstring(usable) + L": no passcode can be accepted");
    }
  }

  void CheckTabs() {
    if (!has_profile_) return;
    const int tabs = std::min(ReadInt(kv::keys::kTabNumber), kv::kMaxTabs);
    for (int i = 0; i < tabs; ++i) {
      wchar_t key[16];
      swprintf(key, 16, kv::keys::kTabFormat, i);
      std::wstring value;
      if (!Raw(folder_ + profile_name_, kv::keys::kTabNumber.section, key, value))
        Report(profile_name_, Place(kv::keys::kTabNumber.section), key,
               L"missing: \"" + std::wstring(kv::keys::kTabNumber.name) + L"\" counts it");
      else
        CheckNumber(profile_name_, kv::keys::kTabNumber.section, key, value, 0, 0x7FFFFFFF);
    }
  }

  // The items of "TestPages" that name a page; one finding for each that does not.
  void CheckTestPages() {
    if (!has_profile_) return;
    std::wstring value;
    if (!HasText(folder_ + profile_name_, kv::keys::kTestPages.section, kv::keys::kTestPages.name,
                 value))
      return;
    for (size_t at = 0; at <= value.size();) {
      size_t end = value.find(L',', at);
      if (end == std::wstring::npos) end = value.size();
      const std::wstring item = value.substr(at, end - at);
      at = end + 1;
      if (item.empty()) continue;
      long long number = 0;
      if (ParseNumber(item, number) && number >= 1 &&
          number <= static_cast<long long>(kv::kDiagnosticPageCount)) {
        test_pages_.push_back(static_cast<int>(number));
      } else {
        Report(profile_name_, Place(kv::keys::kTestPages.section), kv::keys::kTestPages.name,
               L"item \"" + item + L"\" is not a page number 1.." +
                   std::to_wstring(kv::kDiagnosticPageCount) + L": the list leaves it out");
      }
    }
  }

  void FindTables() {
    if (brand_ != 0 && brand_ != 1) {
      // The model profile itself is the string table.
      if (has_profile_) tables_.push_back({profile_name_, folder_ + profile_name_, L""});
      return;
    }
    if (!language_dependent_) {
      const std::wstring name = prefix_ + L".DAT";
      if (FileExists(folder_ + name))
        tables_.push_back({name, folder_ + name, L""});
      else
        Report(name, L"", L"", L"missing: every text shows its key name");
      return;
    }
    bool fallback = false;
    for (const auto& name : FilesIn(folder_)) {
      if (!StartsWithNoCase(name, prefix_) || !EndsWithNoCase(name, L".DAT")) continue;
      const std::wstring code = name.substr(prefix_.size(), name.size() - prefix_.size() - 4);
      bool letters = !code.empty() && code.size() < kv::kLanguageCodeUnits;
      for (wchar_t c : code) letters = letters && iswalpha(c);
      if (!letters) continue;
      tables_.push_back({name, folder_ + name, code});
      fallback = fallback || _wcsicmp(code.c_str(), L"EN") == 0;
    }
    // In name order, so that what is reported first does not depend on the folder's order.
    std::sort(tables_.begin(), tables_.end(), [](const Table& a, const Table& b) {
      return _wcsicmp(a.name.c_str(), b.name.c_str()) < 0;
    });
    if (!fallback)
      Report(prefix_ + L"EN.DAT", L"", L"",
             L"missing: users of a language without a table of its own see key names");
  }

  // The table's text for a key the plug-in asks for; a finding when it has none.
  bool NeedText(const Table& table, const std::wstring& section, const std::wstring& key,
                std::wstring& text) {
    if (!Raw(table.path, section, key, text)) {
      Report(table.name, Place(section), key, L"missing: shows its key name");
      return false;
    }
    if (text.empty()) {
      Report(table.name, Place(section), key, L"empty: shows its key name");
      return false;
    }
    if (text.size() >= kv::kTextUnits)
      Report(table.name, Place(section), key, L"longer than 255 characters: cut when read");
    return true;
  }

  void CheckTable(const Table& table) {
    for (const kv::DialogText& dialog : kv::kDialogTexts) {
      if (!Reached(dialog.reach)) continue;
      const std::wstring section = Section(dialog.word);
      std::wstring text;
      for (size_t i = 0; i < dialog.key_count; ++i) NeedText(table, section, dialog.keys[i], text);
      if (dialog.template_id != 0) CheckTemplate(table, dialog);
    }
    if (page_) {
      CheckLinks(table);
      CheckInformationLines(table);
    }
  }

  bool LinkHasTarget(const Table& table, int n, std::wstring& target) {
    wchar_t key[16];
    swprintf(key, 16, kv::texts::kLinkTargetFormat, n);
    return HasText(table.path, Section(kv::words::kTroubleshooting), key, target);
  }

  void CheckLinks(const Table& table) {
    const std::wstring section = Section(kv::words::kTroubleshooting);
    const std::wstring placeholder = L"http://%s";
    for (int n = 1; n <= kv::texts::kLinks; ++n) {
      std::wstring target;
      if (!LinkHasTarget(table, n, target)) continue;
      wchar_t key[16];
      swprintf(key, 16, kv::texts::kLinkTargetFormat, n);
      // Only the first "http://%s" becomes the printer's address; any other "%" stays.
      std::wstring rest = target;
      const size_t address = rest.find(placeholder);
      if (address != std::wstring::npos) rest.erase(address, placeholder.size());
      if (rest.find(L'%') != std::wstring::npos)
        Report(table.name, Place(section), key,
               L"\"" + target +
                   L"\" has a \"%\" other than the address placeholder http://%s: it opens as "
                   L"written");
      else if (address == std::wstring::npos && target.find(L"://") == std::wstring::npos &&
               !StartsWithNoCase(target, L"mailto:"))
        Report(table.name, Place(section), key, L"\"" + target + L"\" is not a web address");
    }
  }

  void CheckInformationLines(const Table& table) {
    const std::wstring section = Section(kv::words::kAbout);
    for (int n = 1; n <= kv::kInformationLines; ++n) {
      wchar_t key[16];
      swprintf(key, 16, kv::texts::kInformationFormat, n);
      std::wstring line;
      if (!HasText(table.path, section, key, line)) continue;
      const wchar_t* value_key = kv::InformationKeyOf(line.c_str(), brand_);
      std::wstring value;
      if (!value_key || !has_version_ ||
          HasText(folder_ + version_name_, kv::keys::kModel.section, value_key, value))
        continue;
      Report(version_name_, Place(kv::keys::kModel.section), value_key,
             std::wstring(L"missing: ") + key + L" of " + table.name +
                 (brand_ == 1 ? L" is left out" : L" shows the key's name"));
    }
  }

  // The dialog made from the plug-in's template, its captions replaced by the table's texts
  // as the control-text pass replaces them, and each measured in its control.
  void CheckTemplate(const Table& table, const kv::DialogText& text) {
    const bool mirrored = _wcsicmp(table.code.c_str(), L"AR") == 0;
    const WORD id = mirrored ? text.mirrored_template_id : text.template_id;
    // The limits the dialog reads before its texts are translated.
    const bool accounting = text.template_id == IDD_JOB_ACCOUNTING;
    dialog_min_ = accounting ? account_min_ : min_pass_;
    dialog_max_ = accounting
                      ? kv::UsableMaxLength(account_max_, kv::kAccountPasswordLength)
                      : kv::UsableMaxLength(max_pass_, kv::HoldPasscodeLength(secure_print_ == 1));
    ULONG_PTR cookie = 0;
    const bool activated =
        setup_.activation_context && ActivateActCtx(setup_.activation_context, &cookie);
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_STANDARD_CLASSES | ICC_DATE_CLASSES |
                                                        ICC_UPDOWN_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    // A page's template is a child window's: it is made inside a hidden frame.
    HWND frame = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                                 nullptr, nullptr);
    HWND dialog = setup_.templates ? CreateDialogParamW(setup_.templates, MAKEINTRESOURCEW(id),
                                                        frame, QuietProcedure, 0)
                                   : nullptr;
    if (!dialog) {
      Report(
          table.name, Place(Section(text.word)), L"",
          L"the plug-in's template " + std::to_wstring(id) + L" could not be made to measure in");
    } else {
      ++result_.dialogs_measured;
      captions_.clear();
      for (HWND control = GetWindow(dialog, GW_CHILD); control;
           control = GetWindow(control, GW_HWNDNEXT))
        CheckControl(table, text, control);
      CheckMnemonics(table, Section(text.word));
      DestroyWindow(dialog);
    }
    if (frame) DestroyWindow(frame);
    if (activated) DeactivateActCtx(0, cookie);
  }

  void CheckControl(const Table& table, const kv::DialogText& text, HWND control) {
    const std::wstring section = Section(text.word);
    const int id = GetDlgCtrlID(control);
    wchar_t class_name[64] = {};
    GetClassNameW(control, class_name, 64);
    const bool troubleshooting = text.template_id == IDD_TROUBLESHOOTING;
    if (troubleshooting && !status_monitor_ && OneOf(kStatusGroup, id)) return;
    if (_wcsicmp(class_name, L"ComboBox") == 0) {
      if (text.template_id == IDD_HOLD && id == IDC_HOLD_MODE) {
        if (secure_print_ == 1)
          FillAndMeasure(table, section, control, kv::kSecureHoldKeys, kv::kSecureHoldTypes);
        else
          FillAndMeasure(table, section, control, kv::kStandardHoldKeys, kv::kStandardHoldTypes);
      } else if (troubleshooting && id == IDC_TS_DIAG_LIST) {
        std::vector<const wchar_t*> pages;
        for (int number : test_pages_) pages.push_back(kv::kDiagnosticPages[number - 1].key);
        FillAndMeasure(table, section, control, pages.data(), pages.size());
      }
      return;
    }
    if (_wcsicmp(class_name, L"Edit") == 0 || _wcsicmp(class_name, L"SysDateTimePick32") == 0)
      return;
    wchar_t caption[kv::kTextUnits] = {};
    GetWindowTextW(control, caption, kv::kTextUnits);
    if (caption[0] == L'\0') return;
    if (troubleshooting && id >= IDC_TS_LINK1 && id <= IDC_TS_LINK6) {
      std::wstring target;
      if (!LinkHasTarget(table, id - IDC_TS_LINK1 + 1, target)) return;  // the page hides it
    }
    std::wstring key = caption;
    std::wstring translation;
    if (IsLengthHint(id)) {
      key = kv::texts::kRangeHint;
      if (dialog_min_ == dialog_max_ &&
          HasText(table.path, section, kv::texts::kExactHint, translation))
        key = kv::texts::kExactHint;
    }
    if (!NeedText(table, section, key, translation)) return;
    if (!IsLengthHint(id) &&
        (_wcsicmp(class_name, L"Button") == 0 || _wcsicmp(class_name, L"Static") == 0))
      captions_.emplace_back(key, translation);
    const bool limits = text.template_id == IDD_HOLD || text.template_id == IDD_JOB_ACCOUNTING;
    if (limits && IsFormattedHint(id)) {
      wchar_t filled[kv::kTextUnits];
      kv::FillNumbers(translation.c_str(), {dialog_min_, dialog_max_}, filled);
      translation = filled;
    }
    if (troubleshooting && OneOf(kSizedToText, id)) return;
    SetWindowTextW(control, translation.c_str());
    for (const auto& line : ClippedTextsOf(control))
      Report(table.name, Place(section), key, L"clipped: " + line);
  }

  // No two captions of one dialog share a mnemonic: the second could never be reached by it.
  void CheckMnemonics(const Table& table, const std::wstring& section) {
    std::map<wchar_t, std::wstring> taken;
    for (const auto& [key, translation] : captions_) {
      const wchar_t mnemonic = MnemonicOf(translation);
      if (!mnemonic) continue;
      const auto [at, fresh] = taken.emplace(mnemonic, key);
      if (!fresh)
        Report(table.name, Place(section), key,
               L"mnemonic '" + std::wstring(1, mnemonic) + L"' repeats that of \"" + at->second +
                   L"\"");
    }
  }

  // Each item on its own in the list, measured against the list's room.
  void FillAndMeasure(const Table& table, const std::wstring& section, HWND list,
                      const wchar_t* const* keys, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      std::wstring translation;
      if (!NeedText(table, section, keys[i], translation)) continue;
      SendMessageW(list, CB_RESETCONTENT, 0, 0);
      SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(translation.c_str()));
      for (const auto& line : ClippedTextsOf(list))
        Report(table.name, Place(section), keys[i], L"clipped: " + line);
    }
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
  }

  // Every key one table has and another lacks.
  void CompareTables() {
    if (tables_.size() < 2) return;
    for (const Table& other : tables_) {
      for (const auto& section : Names(other.path, nullptr)) {
        const std::vector<std::wstring> keys = Names(other.path, section.c_str());
        for (const Table& table : tables_) {
          if (&table == &other) continue;
          for (const auto& key : keys) {
            std::wstring value;
            if (!Raw(table.path, section, key, value))
              Report(table.name, Place(section), key, L"missing: " + other.name + L" has it");
          }
        }
      }
    }
  }

  void CheckPicture(const std::wstring& name, bool needed, const wchar_t* shown) {
    const std::wstring path = folder_ + name;
    if (!FileExists(path)) {
      if (needed) Report(name, L"", L"", std::wstring(L"missing: ") + shown);
      return;
    }
    HANDLE picture = LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
    if (!picture) {
      Report(name, L"", L"", std::wstring(L"not a bitmap the system can load: ") + shown);
      return;
    }
    DeleteObject(picture);
  }

  void CheckPictures() {
    CheckPicture(prefix_ + L"l.bmp", page_, L"the Troubleshooting page shows no logo");
    CheckPicture(prefix_ + L"Y.bmp", page_, L"the About dialog shows no picture");
  }

  // The help file is a compiled HTML help file whose directory names every topic the dialogs
  // open; the directory's names are stored as they are, so a search of its bytes finds them.
  void CheckHelpFile() {
    const std::wstring name = prefix_ + L".chm";
    std::string bytes;
    if (!ReadBytes(folder_ + name, bytes)) {
      Report(name, L"", L"", L"missing: Help shows nothing");
      return;
    }
    if (bytes.compare(0, 4, "ITSF") != 0) {
      Report(name, L"", L"", L"not a compiled HTML help file");
      return;
    }
    for (char& c : bytes) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    std::vector<kv::HelpTopic> topics;
    for (const kv::DialogText& dialog : kv::kDialogTexts)
      if (dialog.help.topic && Reached(dialog.reach))
        topics.push_back(kv::HelpFor(dialog, secure_print_ != 0));
    for (const auto& topic : topics) {
      std::string wanted = "/";
      for (const wchar_t* c = topic.folder; *c; ++c) wanted += static_cast<char>(towlower(*c));
      wanted += "/";
      for (const wchar_t* c = topic.topic; *c; ++c) wanted += static_cast<char>(towlower(*c));
      if (bytes.find(wanted) == std::string::npos)
        Report(name, L"", std::wstring(topic.folder) + L"\\" + topic.topic,
               L"missing topic: Help shows an error page");
    }
  }

  CheckSetup setup_;
  std::wstring folder_;
  std::wstring profile_name_, version_name_;
  kv::ProfileReader profile_ = {};
  kv::ProfileReader version_ = {};
  bool has_profile_ = false, has_version_ = false;
  std::wstring prefix_;
  int brand_ = 0;
  int secure_print_ = 0;
  bool status_monitor_ = false, language_dependent_ = false, job_monitor_ = false, page_ = false;
  int min_pass_ = 0, max_pass_ = 0, account_min_ = 0, account_max_ = 0;
  int dialog_min_ = 0, dialog_max_ = 0;
  // The captions the current dialog shows from the table, by key, with their translations.
  std::vector<std::pair<std::wstring, std::wstring>> captions_;
  std::vector<int> test_pages_;
  std::vector<Table> tables_;
  std::set<std::tuple<std::wstring, std::wstring, std::wstring>> reported_;
  ModelCheck result_;
};

}  // namespace

std::wstring FindingLine(const Finding& finding) {
  std::wstring line = finding.file;
  if (!finding.place.empty() || !finding.key.empty()) line += L":";
  if (!finding.place.empty()) line += L" " + finding.place;
  if (!finding.key.empty()) line += L" " + finding.key;
  return line + L": " + finding.problem;
}

ModelCheck CheckModelFolder(const std::wstring& folder, const CheckSetup& setup) {
  return Checker(folder, setup).Run();
}

}  // namespace kvcheck
