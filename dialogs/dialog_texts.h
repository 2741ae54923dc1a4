// The string-table sections the plug-in reads ("<word> Dialog"), the keys each one is
// asked for beyond its controls' own captions, which the dialog templates hold, and the
// templates and help topics of the dialogs and the page. Each dialog and the page take
// their word, templates and topic from their own row, and the model checker walks the
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
  kDocument,        // a push button of the document settings
  kPrinter,         // a push button of the printer settings
  kPage,            // the Troubleshooting page (brand 1 with the page in its tab list)
  kStatusMonitor,   // the page's status monitor group ("TroubleWayfer" not 0)
  kBrandPainted,    // the About dialog's painted texts (brands 0 and 2)
  kCopiesQuestion,  // the copies rule in the document settings
};

// A topic inside the model's help file: its folder and file name.
struct HelpTopic {
  const wchar_t* folder;
  const wchar_t* topic;
};

struct DialogText {
  const wchar_t* word;
  WORD template_id;  // 0: a section without a template of its own
  WORD mirrored_template_id;
  Reach reach;
  const wchar_t* const* keys;  // asked for besides the controls' captions
  size_t key_count;
  HelpTopic help;         // none: no Help of its own
  HelpTopic secure_help;  // none: the same topic on a model with secure print
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
    {words::kHold,
     IDD_HOLD,
     IDD_HOLD_RTL,
     Reach::kDocument,
     detail::kPasscodeDialogKeys,
     3,
     {L"Html", L"Print And Hold Dialog.htm"},
     {L"output_options_tab", L"Print And Hold Dialog.htm"}},
    {words::kCopies,
     IDD_COPIES,
     IDD_COPIES_RTL,
     Reach::kDocument,
     detail::kCaptionOnly,
     1,
     {L"Html", L"Color Copies Setting.htm"},
     {}},
    {words::kJobAccounting,
     IDD_JOB_ACCOUNTING,
     IDD_JOB_ACCOUNTING_RTL,
     Reach::kPrinter,
     detail::kPasscodeDialogKeys,
     3,
     {L"Html", L"Job Accounting.htm"},
     {}},
    {words::kTroubleshooting,
     IDD_TROUBLESHOOTING,
     IDD_TROUBLESHOOTING_RTL,
     Reach::kPage,
     detail::kCaptionOnly,
     1,
     {L"troublesh_tab", L"troubleshooting_tab.htm"},
     {}},
    {words::kWayfer,
     IDD_WAYFER,
     IDD_WAYFER_RTL,
     Reach::kStatusMonitor,
     detail::kCaptionOnly,
     1,
     {},
     {}},
    {words::kAbout, IDD_ABOUT, IDD_ABOUT, Reach::kPage, detail::kCaptionOnly, 1, {}, {}},
    {words::kAbout, 0, 0, Reach::kBrandPainted, detail::kPaintedKeys, 3, {}, {}},
    {words::kPaper, 0, 0, Reach::kCopiesQuestion, detail::kPaperKeys, 2, {}, {}},
};

// The rows by name, in the table's order.
enum class DialogRow : size_t {
  kHold,
  kCopies,
  kJobAccounting,
  kTroubleshooting,
  kWayfer,
  kAbout,
  kAboutPainted,
  kPaper
};
static_assert(static_cast<size_t>(DialogRow::kPaper) + 1 ==
              sizeof kDialogTexts / sizeof kDialogTexts[0]);

constexpr const DialogText& RowOf(DialogRow row) { return kDialogTexts[static_cast<size_t>(row)]; }

// Whether `id` is one of the row's two templates.
constexpr bool IsTemplateOf(const DialogText& row, DWORD id) {
  return row.template_id != 0 && (id == row.template_id || id == row.mirrored_template_id);
}

// The topic a dialog's Help opens on a model with or without secure print.
constexpr const HelpTopic& HelpFor(const DialogText& row, bool secure_print) {
  return secure_print && row.secure_help.topic ? row.secure_help : row.help;
}

}  // namespace kv
