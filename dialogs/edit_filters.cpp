#include "dialogs/edit_filters.h"

#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

#include "context/sheet_context.h"
#include "platform/clipboard.h"
#include "platform/firewall.h"
#include "platform/message_box.h"
#include "platform/seam.h"

namespace kv {
namespace {

constexpr int kPastedUnits = 259;  // a paste is cut to this many UTF-16 units

bool IsDigit(unsigned code) { return code >= '0' && code <= '9'; }
bool IsAsciiLetter(unsigned code) {
  return (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z');
}
bool IsPrintable(unsigned code) { return code >= 33 && code <= 126; }
bool IsAccountIdCharacter(unsigned code) {
  return IsDigit(code) || IsAsciiLetter(code) || code == 8 || code == '-' || code == '.' ||
         code == '@' || code == '_';
}

struct FilterRule {
  bool (*typed)(unsigned code);
  bool (*pasted)(unsigned byte);
  bool unicode_paste;  // a paste is taken when only Unicode text is on the clipboard, too
  bool length_check;   // the pasted length must lie within the dialog's limits
  bool swallow;        // the control character that Control+V produces is dropped
  bool copy_cut;       // Control+C and Control+X are handled
};

// Indexed by EditFilter.
constexpr FilterRule kRules[] = {
    {[](unsigned c) { return c >= 1 && c <= 127 && c != '/' && c != '\\'; },
     [](unsigned b) { return b <= 127 && b != '/' && b != '\\'; }, true, false, true, true},
    {[](unsigned c) { return IsDigit(c) || c == 8; }, [](unsigned b) { return IsDigit(b); }, false,
     true, false, false},
    {IsAccountIdCharacter, IsAccountIdCharacter, true, false, true, true},
    {[](unsigned c) { return IsPrintable(c) || c == 8; },
     [](unsigned b) { return IsPrintable(b) || b == 8; }, true, true, false, false},
};

const FilterRule& RuleOf(EditFilter filter) { return kRules[static_cast<int>(filter)]; }

// Each filtered edit is subclassed under this id. Its reference data holds its filter and
// whether the next character is the one Control+V produced, per edit.
constexpr UINT_PTR kSubclassId = 0x4B56;

DWORD_PTR SubclassData(EditFilter filter, bool swallow_next) {
  return static_cast<DWORD_PTR>(filter) * 2 + (swallow_next ? 1 : 0);
}

// The left Control key alone, not AltGr: keyboards with AltGr report left Control with it,
// and AltGr+V or AltGr+X type characters ("@" on some layouts) rather than shortcuts.
bool LeftControlDown() {
  return (GetKeyState(VK_LCONTROL) & 0x8000) != 0 && (GetKeyState(VK_RMENU) & 0x8000) == 0;
}

bool IsKey(WPARAM key, char upper) {
  return key == static_cast<WPARAM>(upper) || key == static_cast<WPARAM>(upper + 32);
}

enum class Paste { kPassOn, kDropped };

bool LengthWithinLimits(HWND edit, size_t length) {
  const auto* context =
      reinterpret_cast<const SheetContext*>(GetWindowLongPtrW(GetParent(edit), GWLP_USERDATA));
  // Without the dialog's limits the length cannot be checked, so the paste is refused.
  if (!context) return false;
  const auto units = static_cast<long long>(length);
  return units >= context->wMinPassLen && units <= context->wMaxPassLen;
}

// Checks the clipboard's text and, when every byte is acceptable, puts it in place of the
// edit's selection. The text ends at its terminator: what follows it in the block (whose size
// the system rounds up) is no text. A block without a terminator is text to its end.
Paste PasteChecked(const FilterRule& rule, HWND edit) {
  std::vector<BYTE> block;
  if (!Use<Clipboard>().CopyTextBlock(edit, rule.unicode_paste, block) || block.empty())
    return Paste::kPassOn;
  const void* end = std::memchr(block.data(), 0, block.size());
  const size_t bytes =
      end ? static_cast<size_t>(static_cast<const BYTE*>(end) - block.data()) : block.size();
  if (rule.length_check && !LengthWithinLimits(edit, bytes)) return Paste::kDropped;
  for (size_t i = 0; i < bytes; ++i)
    if (!rule.pasted(block[i])) return Paste::kDropped;

  std::wstring text;
  if (bytes > 0) {
    const char* source = reinterpret_cast<const char*>(block.data());
    const int units = MultiByteToWideChar(CP_ACP, 0, source, static_cast<int>(bytes), nullptr, 0);
    if (units > 0) {
      text.resize(static_cast<size_t>(units));
      MultiByteToWideChar(CP_ACP, 0, source, static_cast<int>(bytes), text.data(), units);
      if (text.size() > kPastedUnits) text.resize(kPastedUnits);
    }
  }
  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  return Paste::kPassOn;
}

LRESULT CALLBACK FilterProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                            DWORD_PTR swallow_next) noexcept;

void SetSwallowNext(HWND edit, EditFilter filter, bool swallow) {
  SetWindowSubclass(edit, FilterProc, kSubclassId, SubclassData(filter, swallow));
}

LRESULT Filter(EditFilter filter, HWND edit, UINT message, WPARAM wparam, LPARAM lparam,
               bool swallow_next) {
  const FilterRule& rule = RuleOf(filter);
  switch (message) {
    case WM_CHAR:
      if (rule.swallow && swallow_next) {
        SetSwallowNext(edit, filter, false);
        return 0;
      }
      if (!rule.typed(static_cast<unsigned>(wparam))) {
        Use<MessageBoxes>().Beep(0);
        return 0;
      }
      break;
    case WM_KEYDOWN:
      if (!LeftControlDown()) break;
      if (IsKey(wparam, 'V')) {
        if (rule.swallow) SetSwallowNext(edit, filter, true);
        if (PasteChecked(rule, edit) == Paste::kDropped) return 0;
      } else if (rule.copy_cut && IsKey(wparam, 'C')) {
        SendMessageW(edit, WM_COPY, 0, 0);
      } else if (rule.copy_cut && IsKey(wparam, 'X')) {
        SendMessageW(edit, WM_CUT, 0, 0);
      }
      break;
    case WM_NCDESTROY: RemoveWindowSubclass(edit, FilterProc, kSubclassId); break;
    default: break;
  }
  return DefSubclassProc(edit, message, wparam, lparam);
}

LRESULT CALLBACK FilterProc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                            DWORD_PTR data) noexcept {
  const auto filter = static_cast<EditFilter>(data / 2);
  // Nothing may reach the host's message loop; a paste that ran out of memory is dropped.
  return Firewall<LRESULT>("an edit field's filter", 0, 0, [&] {
    return Filter(filter, edit, message, wparam, lparam, (data & 1) != 0);
  });
}

}  // namespace

bool AcceptsTyped(EditFilter filter, WPARAM character) {
  return RuleOf(filter).typed(static_cast<unsigned>(character));
}

bool AcceptsPastedByte(EditFilter filter, BYTE byte) { return RuleOf(filter).pasted(byte); }

void InstallEditFilter(HWND edit, EditFilter filter) {
  if (!edit) return;
  // Installing again replaces the filter; the edit keeps one subclass.
  SetWindowSubclass(edit, FilterProc, kSubclassId, SubclassData(filter, false));
}

}  // namespace kv
