// Job Accounting: the user ID and password under which the printer accounts the jobs.
// Opened from the "Job Accounting" push button of the printer settings, whose callback loads
// what the dialog shows and keeps what it confirms until the printer settings are applied.
#pragma once

#include <windows.h>

#include "context/sheet_context.h"
#include "dialogs/edit_filters.h"

namespace kv {

// What Job Accounting edits.
struct AccountingSettings {
  LengthLimits password_limits;
  wchar_t id[kJobAccountUnits] = {};
  wchar_t password[kJobAccountUnits] = {};
};

// Shows Job Accounting over `owner`. True when the user confirmed with OK: `id` is then the
// typed ID ("Unknown" for an empty or unplain one) and `password` the typed password.
bool EditAccountingSettings(HWND owner, SheetContext& sheet, AccountingSettings& settings);

}  // namespace kv
