// The push buttons of the job dialogs in the option tree. Each callback loads what its dialog
// edits from the record, the printer and the model's profile, runs the dialog over those plain
// settings, and stores what the user confirmed: the dialogs themselves touch neither.
#pragma once

#include "config/model_keys.h"
#include "dialogs/copies_dialog.h"
#include "dialogs/edit_filters.h"
#include "dialogs/hold_dialog.h"
#include "dialogs/job_accounting_dialog.h"
#include "host/host_abi.h"

namespace kv {

struct SheetContext;
class ProfileReader;

// The passcode (or password) length limits from the model profile's [Common] keys, each its
// row's default when absent. The maximum is the usable one for a passcode kept in
// `field_length` characters (UsableMaxLength).
[[nodiscard]] LengthLimits ReadLengthLimits(const ProfileReader& profile, const ModelKey& minimum,
                                            const ModelKey& maximum, int field_length);

// Print and Hold: from the document's private record (with a policy's lock on the type) and
// the profile; stored into the record, which the sheet then reports changed.
[[nodiscard]] HoldSettings LoadHoldSettings(const SheetContext& sheet);
void StoreHoldSettings(const HoldSettings& settings, SheetContext& sheet);

// Color Copies Setting: the document's copies and the sheet's split, which the printer tree's
// apply moves into the record.
[[nodiscard]] CopiesSettings LoadCopiesSettings(const SheetContext& sheet);
void StoreCopiesSettings(const CopiesSettings& settings, SheetContext& sheet);

// Job Accounting: the pair confirmed in this sheet; without one, the printer's stored values,
// or the logged-on user. Stored as the sheet's confirmed pair, which the printer tree's apply
// keeps with the printer.
[[nodiscard]] AccountingSettings LoadAccountingSettings(const SheetContext& sheet);
void StoreAccountingSettings(const AccountingSettings& settings, SheetContext& sheet);

LONG APIENTRY HoldPushed(PCPSUICBPARAM cb);
LONG APIENTRY CopiesPushed(PCPSUICBPARAM cb);
LONG APIENTRY JobAccountingPushed(PCPSUICBPARAM cb);

}  // namespace kv
