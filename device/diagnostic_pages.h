// The printer's internal pages (configuration page, font lists, demo pages and the like) on
// the Troubleshooting page: the drop-down list of those the model offers, and the small raw
// PJL job that asks the printer for the selected one, sent through the spooler with the
// printer handle the host gave the sheet.
#pragma once

#include <windows.h>

#include <cstddef>

#include "platform/profile_reader.h"

namespace kv {

struct SheetContext;

struct DiagnosticPage {
  const wchar_t* key;   // the entry's name, and its key in the string table
  const char* command;  // the PJL command line, plain ASCII
};

// The model profile's [Common] "TestPages" lists entries by their place here, from 1.
inline constexpr DiagnosticPage kDiagnosticPages[] = {
    {L"Config Page", "@PJL TEST PRINT=CONFIG"},  {L"Connection Page", "@PJL TEST PRINT=CONNECTION"},
    {L"Menu Map", "@PJL TEST PRINT=MENUMAP"},    {L"PCL Font List", "@PJL TEST PRINT=PCLFONT"},
    {L"PS Font List", "@PJL TEST PRINT=PSFONT"}, {L"Flash Directory", "@PJL TEST PRINT=PSFSFONT"},
    {L"Office Demo", "@PJL TEST PRINT=DEMO"},    {L"2-Sided Demo", "@PJL TEST PRINT=DUPLEXDEMO"},
    {L"Test Print", "@PJL TEST PRINT=PATTERN"},
};
inline constexpr size_t kDiagnosticPageCount = sizeof kDiagnosticPages / sizeof kDiagnosticPages[0];

constexpr size_t kDiagnosticJobBytes = 260;  // a job: at most 259 bytes and a terminator

// The job for a command line: UEL, "@PJL" CR LF, the command, CR LF, UEL, cut to 259 bytes
// and terminated. Returns its length without the terminator. A null command is empty.
size_t ComposeDiagnosticJob(const char* command, char (&job)[kDiagnosticJobBytes]);

// The command of the entry whose text in `strings` (the Troubleshooting section) is exactly
// `text`; when several are, the last of them; "" when none is.
const char* DiagnosticCommandFor(const ProfileReader& strings, const wchar_t* text);

// Fills the page's list (control IDC_TS_DIAG_LIST) with the texts of the entries that the
// model profile's "TestPages" names ("1,2,3,9"), in that order, selecting
// `initial_selection` after every addition. Sets the string table's section to the
// Troubleshooting page's and the model profile's to "Common". Called once, by the page's
// initialisation.
void FillDiagnosticList(HWND page, SheetContext& context, int initial_selection);

// Sends the job of the list's selected entry, found by its text, to the sheet's printer.
// Called by the page's Print button; a job that fails is not reported to the user.
void PrintSelectedDiagnosticPage(HWND page, SheetContext& context);

// Sends bytes as one raw spooler document ("Printer Diagnostic Pages", data type "RAW") of
// one page. 1 on success; 0 with the thread's last error ERROR_INVALID_HANDLE (null printer),
// ERROR_INVALID_PARAMETER (no bytes), ERROR_SPL_NO_STARTDOC (the document could not be
// started) or ERROR_WRITE_FAULT (a write failed or took nothing; the page and the document
// are ended first). The printer handle stays open: it belongs to the host.
[[nodiscard]] int SendRawJob(HANDLE printer, const BYTE* data, DWORD length);

}  // namespace kv
