#include "dialogs/edit_filters.h"

#include <commctrl.h>

#include <cstring>
#include <string>
#include <vector>

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

// Each filtered edit is subclassed under this id. Its reference data holds, per edit, whether
// the next character is the one Control+V produced (bit 0), its filter (bits 1 to 7) and its
// paste limits (bits 8 to 15 and 16 to 23). Limits are kept within 0 to 255: a passcode field
// keeps at most 32 characters, so a larger minimum still refuses every paste, and a negative
// one none by its length.
constexpr UINT_PTR kSubclassId = 0x4B56;

struct EditState {
  EditFilter filter;
  LengthLimits limits;
  bool swallow_next;
};

DWORD_PTR Packed(const EditState& state) {
  const auto byte = [](int value) {
    return static_cast<DWORD_PTR>(value < 0 ? 0 : value > 255 ? 255 : value);
  };
  return (state.swallow_next ? 1u : 0u) | static_cast<DWORD_PTR>(state.filter) << 1 |
         byte(state.limits.minimum) << 8 | byte(state.limits.maximum) << 16;
}

EditState Unpacked(DWORD_PTR data) {
  return {static_cast<EditFilter>((data >> 1) & 0x7F),
          {static_cast<int>((data >> 8) & 0xFF), static_cast<int>((data >> 16) & 0xFF)},
          (data & 1) != 0};
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

bool LengthWithinLimits(const LengthLimits& limits, size_t length) {
  const auto units = static_cast<long long>(length);
  return units >= limits.minimum && units <= limits.maximum;
}

// Checks the clipboard's text and, when every byte is acceptable, puts it in place of the
// edit's selection. The text ends at its terminator: what follows it in the block (whose size
// the system rounds up) is no text. A block without a terminator is text to its end.
Paste PasteChecked(const FilterRule& rule, const LengthLimits& limits, HWND edit) {
  std::vector<BYTE> block;
  if (!Use<Clipboard>().CopyTextBlock(edit, rule.unicode_paste, block) || block.empty())
    return Paste::kPassOn;
  const void* end = std::memchr(block.data(), 0, block.size());
  const size_t bytes =
      end ? static_cast<size_t>(static_cast<const BYTE*>(end) - block.data()) : block.size();
  if (rule.length_check && !LengthWithinLimits(limits, bytes)) return Paste::kDropped;
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
                            DWORD_PTR data) noexcept;

void SetSwallowNext(HWND edit, EditState state, bool swallow) {
  state.swallow_next = swallow;
  SetWindowSubclass(edit, FilterProc, kSubclassId, Packed(state));
}

LRESULT Filter(const EditState& state, HWND edit, UINT message, WPARAM wparam, LPARAM lparam) {
  const FilterRule& rule = RuleOf(state.filter);
  switch (message) {
    case WM_CHAR:
      if (rule.swallow && state.swallow_next) {
        SetSwallowNext(edit, state, false);
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
        if (rule.swallow) SetSwallowNext(edit, state, true);
        if (PasteChecked(rule, state.limits, edit) == Paste::kDropped) return 0;
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
  // Nothing may reach the host's message loop; a paste that ran out of memory is dropped.
  return Firewall<LRESULT>("an edit field's filter", 0, 0,
                           [&] { return Filter(Unpacked(data), edit, message, wparam, lparam); });
}

}  // namespace

bool AcceptsTyped(EditFilter filter, WPARAM character) {
  return RuleOf(filter).typed(static_cast<unsigned>(character));
}

bool AcceptsPastedByte(EditFilter filter, BYTE byte) { return RuleOf(filter).pasted(byte); }

void InstallEditFilter(HWND edit, EditFilter filter, LengthLimits limits) {
  if (!edit) return;
  // Installing again replaces the filter; the edit keeps one subclass.
  SetWindowSubclass(edit, FilterProc, kSubclassId, Packed({filter, limits, false}));
}

}  // namespace kv
