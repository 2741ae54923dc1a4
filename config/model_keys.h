// The keys the plug-in reads from a model's profile and version file, with their sections,
// defaults and the values the code can use. The readers take their section and key from
// these rows, and the model checker walks the same rows, so that what is checked is what
// is read.
#pragma once

#include <windows.h>

#include <cstddef>

#include "platform/profile_reader.h"

namespace kv {

namespace keys {

constexpr int kNoLimit = 0x7FFFFFFF;

// Model profile, section "OEMFiles".
inline constexpr ModelKey kOemPrefix = {
    ModelFile::kProfile, L"OEMFiles", L"OEMPrefix", KeyKind::kText, 0, 0, 0, true};
inline constexpr ModelKey kJobMonitor = {
    ModelFile::kProfile, L"OEMFiles", L"JobMointor", KeyKind::kInt, 0, 0, 1, false};
// Read only when "JobMointor" is not 0.
inline constexpr ModelKey kJobMonitorPath = {
    ModelFile::kProfile, L"OEMFiles", L"JobMointorPath", KeyKind::kText, 0, 0, 0, false};

// Model profile, section "Common".
inline constexpr ModelKey kCaption = {
    ModelFile::kProfile, L"Common", L"Caption", KeyKind::kText, 0, 0, 0, true};
inline constexpr ModelKey kCopiesSetting = {
    ModelFile::kProfile, L"Common", L"GraphicsCopiesSetting", KeyKind::kInt, 0, 0, 1, false};
inline constexpr ModelKey kPrinterHdd = {
    ModelFile::kProfile, L"Common", L"PrinterHDD", KeyKind::kInt, 0, 0, 1, false};
inline constexpr ModelKey kInstalledHdd = {
    ModelFile::kProfile, L"Common", L"PrinterInstalledHDD", KeyKind::kInt, 0, 0, 1, false};
inline constexpr ModelKey kGrayscaleEnh = {
    ModelFile::kProfile, L"Common", L"GraphicsGrayscaleEnh", KeyKind::kInt, 0, 0, 1, false};
inline constexpr ModelKey kSecurePrint = {
    ModelFile::kProfile, L"Common", L"ExtrasSecurePrint", KeyKind::kInt, 0, 0, 1, false};
inline constexpr ModelKey kJobAccounting = {
    ModelFile::kProfile, L"Common", L"PrinterJobAccounting", KeyKind::kInt, 0, 0, 1, false};
// Resolution bit sets: bit n set offers the base resolution times n + 1.
inline constexpr ModelKey kRes1200 = {
    ModelFile::kProfile, L"Common", L"Graphics1200Res", KeyKind::kInt, 0, 0, 0xFFFF, false};
inline constexpr ModelKey kRes600 = {
    ModelFile::kProfile, L"Common", L"Graphics600Res", KeyKind::kInt, 0, 0, 0xFFFF, false};
inline constexpr ModelKey kRes300 = {
    ModelFile::kProfile, L"Common", L"Graphics300Res", KeyKind::kInt, 0, 0, 0xFFFF, false};
// Passcode lengths: the Print and Hold passcode fits the record's 20-unit password field, the
// job accounting password its 32 units.
inline constexpr ModelKey kHoldMinPass = {
    ModelFile::kProfile, L"Common", L"ExtrasMinPassLen", KeyKind::kInt, 4, 1, 20, false};
inline constexpr ModelKey kHoldMaxPass = {
    ModelFile::kProfile, L"Common", L"ExtrasMaxPassLen", KeyKind::kInt, 4, 1, 20, false};
inline constexpr ModelKey kAccountMinPass = {
    ModelFile::kProfile, L"Common", L"PrinterMinPassLen", KeyKind::kInt, 32, 1, 32, false};
inline constexpr ModelKey kAccountMaxPass = {
    ModelFile::kProfile, L"Common", L"PrinterMaxPassLen", KeyKind::kInt, 32, 1, 32, false};
// A list of diagnostic page numbers ("1,2,5").
inline constexpr ModelKey kTestPages = {
    ModelFile::kProfile, L"Common", L"TestPages", KeyKind::kText, 0, 0, 0, true};
inline constexpr ModelKey kTroubleWayfer = {
    ModelFile::kProfile, L"Common", L"TroubleWayfer", KeyKind::kInt, 0, 0, 1, false};

// Model profile, other sections.
inline constexpr ModelKey kResolution = {
    ModelFile::kProfile, L"DEFAULTDEVMODE", L"iResolution", KeyKind::kInt, 0, 0, 32767, false};
inline constexpr ModelKey kAutoConfiguration = {
    ModelFile::kProfile, L"FUNCTION", L"AutoConfiguration", KeyKind::kInt, 0, 0, 1, false};
// Read by the installable-option update with these defaults.
inline constexpr ModelKey kAutoCfgNetworkModel = {
    ModelFile::kProfile, L"FUNCTION", L"AutoCfgNetworkMDL", KeyKind::kInt, 0, 0, 1, false};
inline constexpr ModelKey kSupportMpTray = {
    ModelFile::kProfile, L"FUNCTION", L"SupportMpTray", KeyKind::kInt, 1, 0, 1, false};
// Read only by a model with "ExtrasSecurePrint" 1.
inline constexpr ModelKey kEncryptionKey = {
    ModelFile::kProfile, L"FUNCTION", L"EncryptionKey", KeyKind::kText, 0, 0, 0, false};
inline constexpr ModelKey kTabNumber = {
    ModelFile::kProfile, L"TABNUMBER", L"TabNumber", KeyKind::kInt, 0, 0, 64, false};
// "Tab0" to "Tab<TabNumber - 1>"; an absent entry reads as this default.
constexpr wchar_t kTabFormat[] = L"Tab%d";
constexpr int kTabFallback = 100;

// Version file, section "Version" (the About dialog's placeholders are its keys too).
inline constexpr wchar_t kVersionSection[] = L"Version";
inline constexpr ModelKey kLanguageDependent = {
    ModelFile::kVersion, L"Version", L"LanguageDependent", KeyKind::kInt, 0, 0, 1, false};
// Painted on the About dialog of brands 0 and 2.
inline constexpr ModelKey kModel = {
    ModelFile::kVersion, L"Version", L"Model", KeyKind::kText, 0, 0, 0, false};

}  // namespace keys

// Every row above: the checker's list.
inline constexpr const ModelKey* kModelKeys[] = {
    &keys::kOemPrefix,
    &keys::kJobMonitor,
    &keys::kJobMonitorPath,
    &keys::kCaption,
    &keys::kCopiesSetting,
    &keys::kPrinterHdd,
    &keys::kInstalledHdd,
    &keys::kGrayscaleEnh,
    &keys::kSecurePrint,
    &keys::kJobAccounting,
    &keys::kRes1200,
    &keys::kRes600,
    &keys::kRes300,
    &keys::kHoldMinPass,
    &keys::kHoldMaxPass,
    &keys::kAccountMinPass,
    &keys::kAccountMaxPass,
    &keys::kTestPages,
    &keys::kTroubleWayfer,
    &keys::kResolution,
    &keys::kAutoConfiguration,
    &keys::kAutoCfgNetworkModel,
    &keys::kSupportMpTray,
    &keys::kEncryptionKey,
    &keys::kTabNumber,
    &keys::kLanguageDependent,
    &keys::kModel,
};

// An integer key of a model file read straight from its path, with the key's own default:
// for readers that have the file but no sheet.
inline int ReadModelInt(const wchar_t* file, const ModelKey& key) {
  return static_cast<int>(GetPrivateProfileIntW(key.section, key.name, key.fallback, file));
}

}  // namespace kv
