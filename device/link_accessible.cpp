#include "device/link_accessible.h"

#include <oleacc.h>

#include <new>
#include <utility>

#include "platform/handles.h"
#include "platform/module.h"

namespace kv {
namespace {

using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using SysAllocStringFn = BSTR(WINAPI*)(const OLECHAR*);

// The accessibility library's functions, found once and kept: the library stays loaded for
// the process, as the objects it hands out may outlive any one page.
struct Accessibility {
  CreateStdAccessibleObjectFn create = nullptr;
  LresultFromObjectFn result = nullptr;
  SysAllocStringFn alloc_string = nullptr;
};

const Accessibility& Library() {
  static const Accessibility library = [] {
    Accessibility found;
    HMODULE oleacc = LoadLibraryExW(L"oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    HMODULE oleaut = LoadLibraryExW(L"oleaut32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!oleacc || !oleaut) return found;
    found.create = reinterpret_cast<CreateStdAccessibleObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(oleacc, "CreateStdAccessibleObject")));
    found.result = reinterpret_cast<LresultFromObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(oleacc, "LresultFromObject")));
    found.alloc_string = reinterpret_cast<SysAllocStringFn>(
        reinterpret_cast<void*>(GetProcAddress(oleaut, "SysAllocString")));
    return found;
  }();
  return library;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

// The system's object for the static text, answering as a link where the two differ.
class LinkAccessible final : public IAccessible {
 public:
  LinkAccessible(HWND link, com_ptr<IAccessible> standard)
      : link_(link), standard_(std::move(standard)) {
    ObjectCreated();
  }
  LinkAccessible(const LinkAccessible&) = delete;
  LinkAccessible& operator=(const LinkAccessible&) = delete;

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible)) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(&refs_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch, as the system's object has it.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return standard_->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return standard_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override {
    return standard_->GetIDsOfNames(iid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argument) override {
    return standard_->Invoke(id, iid, locale, flags, parameters, result, exception, argument);
  }

  // IAccessible: the role, state and default action of a link; the rest is the system's.
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!IsSelf(child) || !role) return standard_->get_accRole(child, role);
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_LINK;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    const HRESULT hr = standard_->get_accState(child, state);
    if (FAILED(hr) || !IsSelf(child) || !state || state->vt != VT_I4) return hr;
    state->lVal |= STATE_SYSTEM_LINKED;
    if (IsWindowEnabled(link_)) state->lVal |= STATE_SYSTEM_FOCUSABLE;
    if (GetFocus() == link_) state->lVal |= STATE_SYSTEM_FOCUSED;
    return hr;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (!IsSelf(child) || !action) return standard_->get_accDefaultAction(child, action);
    const auto alloc = Library().alloc_string;
    *action = alloc ? alloc(L"Jump") : nullptr;
    return *action ? S_OK : E_OUTOFMEMORY;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!IsSelf(child)) return standard_->accDoDefaultAction(child);
    if (!IsWindowEnabled(link_) || !IsWindowVisible(link_)) return DISP_E_MEMBERNOTFOUND;
    // Opened as the page opens a click on it, once the caller has its answer.
    PostMessageW(GetParent(link_), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(link_), STN_CLICKED),
                 reinterpret_cast<LPARAM>(link_));
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return standard_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    return standard_->get_accChildCount(count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    return standard_->get_accChild(child, out);
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return standard_->get_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return standard_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return standard_->get_accDescription(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return standard_->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
    return standard_->get_accKeyboardShortcut(child, keys);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
    return standard_->get_accFocus(child);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
    return standard_->get_accSelection(children);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
    return standard_->accSelect(flags, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
    return standard_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return standard_->put_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return standard_->put_accValue(child, value);
  }

 private:
  ~LinkAccessible() { ObjectDestroyed(); }

  LONG refs_ = 1;
  HWND link_;
  com_ptr<IAccessible> standard_;
};

}  // namespace

LRESULT LinkAccessibleObject(HWND link, WPARAM flags, LPARAM object_id) noexcept {
  if (static_cast<LONG>(object_id) != OBJID_CLIENT) return 0;
  const Accessibility& library = Library();
  if (!library.create || !library.result || !library.alloc_string) return 0;
  com_ptr<IAccessible> standard;
  if (FAILED(library.create(link, OBJID_CLIENT, __uuidof(IAccessible),
                            reinterpret_cast<void**>(standard.put()))) ||
      !standard)
    return 0;
  // Ours is let go when this ends: the reference the result holds is the caller's.
  const com_ptr<IAccessible> object(new (std::nothrow) LinkAccessible(link, std::move(standard)));
  if (!object) return 0;
  const LRESULT result = library.result(__uuidof(IAccessible), flags, object.get());
  return result > 0 ? result : 0;
}

}  // namespace kv
