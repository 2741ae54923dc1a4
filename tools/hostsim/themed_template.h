// The plug-in's templates shown as the plug-in shows its dialogs, by a procedure of the
// caller's: in the activation context of the plug-in's own manifest (resource 2), whose
// common controls the dialogs are built for. The benchmark's reference and the soak's
// platform share are made this way.
#pragma once

#include <windows.h>

namespace hostsim {

class ThemedTemplates {
 public:
  explicit ThemedTemplates(HMODULE module) : module_(module) {
    ACTCTXW request = {sizeof request};
    request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.hModule = module;
    request.lpResourceName = MAKEINTRESOURCEW(2);
    context_ = CreateActCtxW(&request);
  }
  ~ThemedTemplates() {
    if (context_ != INVALID_HANDLE_VALUE) ReleaseActCtx(context_);
  }
  ThemedTemplates(const ThemedTemplates&) = delete;
  ThemedTemplates& operator=(const ThemedTemplates&) = delete;

  [[nodiscard]] HMODULE module() const { return module_; }
  // The context, for a page record that the host makes in it.
  [[nodiscard]] HANDLE context() const { return context_; }

  // Shows template `id` modally, owned by `owner`; its procedure gets `param` with
  // WM_INITDIALOG.
  INT_PTR Show(int id, DLGPROC procedure, LPARAM param = 0, HWND owner = nullptr) const {
    ULONG_PTR cookie = 0;
    const bool active = context_ != INVALID_HANDLE_VALUE && ActivateActCtx(context_, &cookie);
    const INT_PTR result = DialogBoxParamW(module_, MAKEINTRESOURCEW(id), owner, procedure, param);
    if (active) DeactivateActCtx(0, cookie);
    return result;
  }

 private:
  HMODULE module_;
  HANDLE context_ = INVALID_HANDLE_VALUE;
};

}  // namespace hostsim
