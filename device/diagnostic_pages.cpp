#include "device/diagnostic_pages.h"

#include <winspool.h>

#include <cwchar>
#include <initializer_list>

#include "config/model_keys.h"
#include "context/sheet_context.h"
#include "dialogs/dialog_texts.h"
#include "platform/seam.h"
#include "platform/spooler.h"
#include "resources/dialog_ids.h"

namespace kv {
namespace {

constexpr auto& kWord = words::kTroubleshooting;
constexpr char kUel[] = "\x1B%-12345X";  // Universal Exit Language
constexpr size_t kListTextUnits = 260;

// Appends text to the job within its bound; returns the new length.
size_t Append(char (&job)[kDiagnosticJobBytes], size_t length, const char* text) {
  for (; text && *text != '\0' && length + 1 < kDiagnosticJobBytes; ++text) job[length++] = *text;
  job[length] = '\0';
  return length;
}

// The leading decimal number of a list item; an item that is not a number reads as 0.
// Leading blanks and a sign are taken as a number's; anything past two digits is out of
// range anyway, so the value is held there.
int LeadingNumber(const wchar_t* item, size_t length) {
  size_t at = 0;
  while (at < length && (item[at] == L' ' || item[at] == L'\t')) ++at;
  bool negative = false;
  if (at < length && (item[at] == L'+' || item[at] == L'-')) negative = item[at++] == L'-';
  int value = 0;
  for (; at < length && item[at] >= L'0' && item[at] <= L'9'; ++at)
    value = value >= 100 ? 100 : value * 10 + (item[at] - L'0');
  return negative ? -value : value;
}

}  // namespace

size_t ComposeDiagnosticJob(const char* command, char (&job)[kDiagnosticJobBytes]) {
  size_t length = 0;
  job[0] = '\0';
  for (const char* part : {kUel, "@PJL\r\n", command, "\r\n", kUel})
    length = Append(job, length, part);
  return length;
}

const char* DiagnosticCommandFor(const ProfileReader& strings, const wchar_t* text) {
  const char* command = "";
  if (!text) return command;
  const DialogSection section(kWord);
  for (const DiagnosticPage& page : kDiagnosticPages) {
    wchar_t entry[kTextUnits];
    strings.ReadText(section, page.key, entry);
    // Exact units, as the list shows them: no collation that would equate different texts.
    if (wcscmp(entry, text) == 0) command = page.command;
  }
  return command;
}

void FillDiagnosticList(HWND page, SheetContext& context, int initial_selection) {
  const DialogSection section(kWord);
  wchar_t value[kTextUnits];
  context.ModelProfile.ReadText(keys::kTestPages, value);
  HWND list = GetDlgItem(page, IDC_TS_DIAG_LIST);
  if (!list) return;
  // Items between commas; consecutive commas make no empty item.
  for (const wchar_t* item = value; *item != L'\0';) {
    const size_t length = wcscspn(item, L",");
    const int number = length > 0 ? LeadingNumber(item, length) : 0;
    if (number >= 1 && number <= static_cast<int>(kDiagnosticPageCount)) {
      wchar_t text[kTextUnits];
      context.StringTable.ReadText(section, kDiagnosticPages[number - 1].key, text);
      SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
      SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(initial_selection), 0);
    }
    item += length;
    if (*item == L',') ++item;
  }
}

void PrintSelectedDiagnosticPage(HWND page, SheetContext& context) {
  // Without the list there is no selection to print (a message sent to no window would
  // read as index 0 and send a job).
  HWND list = GetDlgItem(page, IDC_TS_DIAG_LIST);
  if (!list) return;
  const LRESULT selected = SendMessageW(list, CB_GETCURSEL, 0, 0);
  const LRESULT last = context.bDataFileIsPpd ? 8 : 9;
  if (selected < 0 || selected > last) return;
  wchar_t text[kListTextUnits] = {};
  SendMessageW(list, WM_GETTEXT, kListTextUnits, reinterpret_cast<LPARAM>(text));
  char job[kDiagnosticJobBytes];
  const size_t length = ComposeDiagnosticJob(DiagnosticCommandFor(context.StringTable, text), job);
  static_cast<void>(
      SendRawJob(context.hPrinter, reinterpret_cast<const BYTE*>(job), static_cast<DWORD>(length)));
}

int SendRawJob(HANDLE printer, const BYTE* data, DWORD length) {
  if (!printer) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!data || length == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Spooler& spooler = Use<Spooler>();
  wchar_t name[] = L"Printer Diagnostic Pages";
  wchar_t datatype[] = L"RAW";
  DOC_INFO_1W document = {name, nullptr, datatype};
  if (spooler.StartDoc(printer, 1, reinterpret_cast<BYTE*>(&document)) == 0) {
    SetLastError(ERROR_SPL_NO_STARTDOC);
    return 0;
  }
  // Whether the page started does not decide the job: the writes that follow do.
  static_cast<void>(spooler.StartPage(printer));
  bool complete = true;
  for (DWORD sent = 0; sent < length;) {
    DWORD written = 0;
    // A failed call counts as a failed write whatever count it reports; a count beyond what
    // was offered is held to it.
    if (!spooler.Write(printer, data + sent, length - sent, &written) || written == 0) {
      complete = false;
      break;
    }
    sent += written < length - sent ? written : length - sent;
  }
  spooler.EndPage(printer);
  spooler.EndDoc(printer);
  if (!complete) {
    SetLastError(ERROR_WRITE_FAULT);
    return 0;
  }
  return 1;
}

}  // namespace kv
