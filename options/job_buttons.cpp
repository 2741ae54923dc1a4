#include "options/job_buttons.h"

#include "context/sheet_context.h"
#include "devmode/private_devmode.h"
#include "devmode/record_locks.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/hold_rules.h"
#include "dialogs/job_dialogs.h"
#include "platform/profile_reader.h"
#include "platform/seam.h"
#include "platform/spooler.h"
#include "platform/text.h"

namespace kv {
namespace {

static_assert(sizeof(PrivateDevmode::szHoldPIN) == kPinLength * sizeof(wchar_t));
static_assert(sizeof(PrivateDevmode::szHoldPassword) == kSecurePasswordLength * sizeof(wchar_t));

constexpr DWORD kStoredBytes = 66;  // 32 characters and a terminator
static_assert(kStoredBytes == kJobAccountUnits * sizeof(wchar_t));

PrivateDevmode* RecordOf(const SheetContext& sheet) {
  return sheet.pParam ? static_cast<PrivateDevmode*>(sheet.pParam->pOEMDM) : nullptr;
}

// The sheet holds new settings: DESTROY reports them, and the host's sheet learns at once.
void MarkSheetChanged(SheetContext& sheet) {
  sheet.bChanged = TRUE;
  if (sheet.pfnComPropSheet)
    sheet.pfnComPropSheet(sheet.hComPropSheet, CPSFUNC_SET_RESULT,
                          reinterpret_cast<LPARAM>(sheet.hPage), CPSUI_OK);
}

// A text the printer keeps, read into 66 bytes: at most 32 characters, terminated, whether
// or not the stored value has a terminator; nothing for a value of another type or longer.
void ReadStoredText(HANDLE printer, const wchar_t* name, wchar_t (&text)[kJobAccountUnits]) {
  text[0] = L'\0';
  wchar_t stored[kStoredBytes / sizeof(wchar_t)] = {};
  DWORD type = REG_NONE, needed = 0;
  if (Use<Spooler>().GetData(printer, name, &type, reinterpret_cast<BYTE*>(stored), kStoredBytes,
                             &needed) != ERROR_SUCCESS ||
      type != REG_SZ || needed > kStoredBytes)
    return;
  ReadField(stored, needed, text, kJobAccountUnits);
}

}  // namespace

LengthLimits ReadLengthLimits(const ProfileReader& profile, const ModelKey& minimum,
                              const ModelKey& maximum, int field_length) {
  return {profile.Read(minimum), UsableMaxLength(profile.Read(maximum), field_length)};
}

HoldSettings LoadHoldSettings(const SheetContext& sheet) {
  HoldSettings settings;
  settings.secure = sheet.ModelProfile.Read(keys::kSecurePrint) == 1;
  settings.passcode_limits =
      ReadLengthLimits(sheet.ModelProfile, keys::kHoldMinPass, keys::kHoldMaxPass,
                       HoldPasscodeLength(settings.secure));
  const PrivateDevmode* record = RecordOf(sheet);
  const RecordLocks locks = ReadRecordLocks(sheet.hPrinter, Policy());
  settings.type_locked = locks.HoldLocked();
  settings.choice =
      ChoiceForCode(settings.secure, LockedHoldMode(locks, record ? record->wHoldMode : 0));
  if (!record) return settings;

  ReadField(record->szHoldUserID, sizeof record->szHoldUserID, settings.user_id, kHoldUserIdUnits);
  // The user ID field takes 20 units: the logged-on user's name is cut to 19 characters.
  if (settings.user_id[0] == L'\0') LoggedOnUser(settings.user_id, kHoldUserIdUnits - 1);
  ReadField(record->szHoldJobName, sizeof record->szHoldJobName, settings.job_name,
            kHoldJobNameUnits);
  if (settings.job_name[0] == L'\0') CopyText(settings.job_name, L"Untitled");
  if (settings.secure)
    ReadField(record->szHoldPassword, sizeof record->szHoldPassword, settings.passcode,
              kHoldPasscodeUnits);
  else
    ReadField(record->szHoldPIN, sizeof record->szHoldPIN, settings.passcode, kHoldPasscodeUnits);
  ReadField(record->szHoldTime, sizeof record->szHoldTime, settings.time_text, kHoldTimeUnits);
  return settings;
}

void StoreHoldSettings(const HoldSettings& settings, SheetContext& sheet) {
  PrivateDevmode* record = RecordOf(sheet);
  if (!record) return;
  const HoldChoice choice = settings.choice;
  const bool passcode = NeedsPasscode(settings.secure, choice);
  WriteField(record->szHoldUserID, sizeof record->szHoldUserID, settings.user_id);
  WriteField(record->szHoldJobName, sizeof record->szHoldJobName, settings.job_name);
  record->wSecureMode = sheet.wSecurePrint;
  if (settings.secure) {
    record->wHoldMode = static_cast<int16_t>(choice.index);
    if (passcode) {
      WriteField(record->szHoldPassword, sizeof record->szHoldPassword, settings.passcode);
      wchar_t key[kTextUnits];
      sheet.ModelProfile.ReadText(keys::kEncryptionKey, key);
      WriteField(record->szEncryptionKey, sizeof record->szEncryptionKey, key);
    }
  } else {
    record->wHoldMode = EncodeHoldMode(choice.index, choice.store);
    if (passcode)
      WriteField(record->szHoldPIN, sizeof record->szHoldPIN, settings.passcode);
    else if (choice.index == kHoldDelay)
      WriteField(record->szHoldTime, sizeof record->szHoldTime, settings.time_text);
  }
  MarkSheetChanged(sheet);
}

CopiesSettings LoadCopiesSettings(const SheetContext& sheet) {
  CopiesSettings settings;
  const DEVMODEW* dm = sheet.pParam ? sheet.pParam->pPublicDM : nullptr;
  settings.copies = dm ? dm->dmCopies : 0;
  settings.splittable = dm && dm->dmColor == DMCOLOR_COLOR && dm->dmCollate == DMCOLLATE_TRUE;
  settings.gray = sheet.iMonoCopies;
  settings.colour = sheet.iColorCopies;
  return settings;
}

void StoreCopiesSettings(const CopiesSettings& settings, SheetContext& sheet) {
  sheet.iMonoCopies = settings.gray;
  sheet.iColorCopies = settings.colour;
}

AccountingSettings LoadAccountingSettings(const SheetContext& sheet) {
  AccountingSettings settings;
  settings.password_limits = ReadLengthLimits(sheet.ModelProfile, keys::kAccountMinPass,
                                              keys::kAccountMaxPass, kAccountPasswordLength);
  if (sheet.bJobAccountConfirmed) {
    CopyText(settings.id, sheet.szJobAccountID);
    CopyText(settings.password, sheet.szJobAccountPW);
  }
  if (settings.id[0] == L'\0') {
    ReadStoredText(sheet.hPrinter, L"JOBACCOUNT_ID", settings.id);
    if (settings.id[0] == L'\0') LoggedOnUser(settings.id, kJobAccountUnits - 1);
  }
  if (settings.password[0] == L'\0')
    ReadStoredText(sheet.hPrinter, L"JOBACCOUNT_PW", settings.password);
  return settings;
}

void StoreAccountingSettings(const AccountingSettings& settings, SheetContext& sheet) {
  CopyText(sheet.szJobAccountID, settings.id);
  CopyText(sheet.szJobAccountPW, settings.password);
  sheet.bJobAccountConfirmed = TRUE;
}

LONG APIENTRY HoldPushed(PCPSUICBPARAM cb) {
  return OnPushButton(cb, [](HWND owner, SheetContext& sheet) {
    HoldSettings settings = LoadHoldSettings(sheet);
    if (EditHoldSettings(owner, sheet, settings)) StoreHoldSettings(settings, sheet);
  });
}

LONG APIENTRY CopiesPushed(PCPSUICBPARAM cb) {
  return OnPushButton(cb, [](HWND owner, SheetContext& sheet) {
    CopiesSettings settings = LoadCopiesSettings(sheet);
    if (EditCopiesSettings(owner, sheet, settings)) StoreCopiesSettings(settings, sheet);
  });
}

LONG APIENTRY JobAccountingPushed(PCPSUICBPARAM cb) {
  return OnPushButton(cb, [](HWND owner, SheetContext& sheet) {
    AccountingSettings settings = LoadAccountingSettings(sheet);
    if (EditAccountingSettings(owner, sheet, settings)) StoreAccountingSettings(settings, sheet);
  });
}

}  // namespace kv
