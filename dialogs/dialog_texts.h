// The string-table sections the plug-in reads ("<word> Dialog") and the keys each one is
// asked for beyond its controls' own captions, which the dialog templates hold. The
// dialogs and pages take their words and keys from here, and the model checker walks the
// same rows.
#pragma once

#include <windows.h>

#include <cstddef>

#include "resources/dialog_ids.h"

namespace kv {

namespace words {
inline constexpr wchar_t kHold[] = L"Hold";
inline constexpr wchar_t kCopies[] = L"Copies";
inline constexpr wchar_t kJobAccounting[] = L"Job Accounting";
inline constexpr wchar_t kTroubleshooting[] = L"Troubleshooting";
inline constexpr wchar_t kWayfer[] = L"Wayfer";
inline constexpr wchar_t kAbout[] = L"About";
// The copies rule's question when the copy count changes.
inline constexpr wchar_t kPaper[] = L"Paper";
}  // namespace words

namespace texts {
// Every job dialog and page, its option-tree item and the Troubleshooting tab.
inline constexpr wchar_t kCaption[] = L"Caption";
// The passcode warning of Print and Hold and Job Accounting; the second message, for a
// model whose passcodes have one length, falls back to the first.
inline constexpr wchar_t kInvalidPasscode[] = L"Invalid Passcode";
inline constexpr wchar_t kInvalidPasscodeMsg[] = L"InvalidPasscodeMsg";
inline constexpr wchar_t kInvalidPasscode2Msg[] = L"InvalidPasscode2Msg";
// The length hints' texts, with the minimum and maximum filled in.
inline constexpr wchar_t kRangeHint[] = L"(0-9)";
inline constexpr wchar_t kExactHint[] = L"(0)";
// "Paper Dialog".
inline constexpr wchar_t kWarning[] = L"Warning";
inline constexpr wchar_t kCopiesChangedMsg[] = L"CopiesChangedMsg";
// "About Dialog", painted over the picture by brands 0 and 2.
inline constexpr wchar_t kDescription[] = L"Description";
inline constexpr wchar_t kVisitKorvane[] = L"Visit Korvane";
inline constexpr wchar_t kDriverDetails[] = L"Driver Details";
// "Troubleshooting Dialog": the links' targets "Ref_URL_1" to "Ref_URL_6".
inline constexpr wchar_t kLinkTargetFormat[] = L"Ref_URL_%d";
constexpr int kLinks = 6;
// "About Dialog": the information lines "M_Info1" to "M_Info10".
inline constexpr wchar_t kInformationFormat[] = L"M_Info%d";
}  // namespace texts

// Print and Hold's list of job types, in the order of their codes.
constexpr int kStandardHoldTypes = 6;
constexpr int kSecureHoldTypes = 2;
inline constexpr const wchar_t* kStandardHoldKeys[kStandardHoldTypes] = {
    L"Normal", L"Proof", L"Confidentional", L"Store", L"Spool", L"Delay"};
inline constexpr const wchar_t* kSecureHoldKeys[kSecureHoldTypes] = {L"Normal", L"Confidentional"};

// Where a dialog is reached from, which decides whether a model shows it at all.
enum class Reach {
  kDocument,         // a push button of the document settings
  kPrinter,          // a push button of the printer settings
  kPage,             // the Troubleshooting page (brand 1 with the page in its tab list)
  kStatusMonitor,    // the page's status monitor group ("TroubleWayfer" not 0)
  kBrandPainted,     // the About dialog's painted texts (brands 0 and 2)
  kCopiesQuestion,   // the copies rule in the document settings
};

struct DialogText {
  const wchar_t* word;
  WORD template_id;  // 0: a section without a template of its own
  WORD mirrored_template_id;
  Reach reach;
  const wchar_t* const* keys;  // asked for besides the controls' captions
  size_t key_count;
};

namespace detail {
inline constexpr const wchar_t* kPasscodeDialogKeys[] = {texts::kCaption, texts::kInvalidPasscode,
                                                         texts::kInvalidPasscodeMsg};
inline constexpr const wchar_t* kCaptionOnly[] = {texts::kCaption};
inline constexpr const wchar_t* kPaperKeys[] = {texts::kWarning, texts::kCopiesChangedMsg};
inline constexpr const wchar_t* kPaintedKeys[] = {texts::kDescription, texts::kVisitKorvane,
                                                  texts::kDriverDetails};
}  // namespace detail

inline constexpr DialogText kDialogTexts[] = {
    {words::kHold, IDD_HOLD, IDD_HOLD_RTL, Reach::kDocument, detail::kPasscodeDialogKeys, 3},
    {words::kCopies, IDD_COPIES, IDD_COPIES_RTL, Reach::kDocument, detail::kCaptionOnly, 1},
    {words::kJobAccounting, IDD_JOB_ACCOUNTING, IDD_JOB_ACCOUNTING_RTL, Reach::kPrinter,
     detail::kPasscodeDialogKeys, 3},
    {words::kTroubleshooting, IDD_TROUBLESHOOTING, IDD_TROUBLESHOOTING_RTL, Reach::kPage,
     detail::kCaptionOnly, 1},
    {words::kWayfer, IDD_WAYFER, IDD_WAYFER_RTL, Reach::kStatusMonitor, detail::kCaptionOnly, 1},
    {words::kAbout, IDD_ABOUT, IDD_ABOUT, Reach::kPage, detail::kCaptionOnly, 1},
    {words::kAbout, 0, 0, Reach::kBrandPainted, detail::kPaintedKeys, 3},
    {words::kPaper, 0, 0, Reach::kCopiesQuestion, detail::kPaperKeys, 2},
};

}  // namespace kv
