#include "plugin/module.h"

namespace kv {
namespace {

HMODULE g_module = nullptr;
volatile LONG g_locks = 0;
volatile LONG g_objects = 0;

}  // namespace

HMODULE ThisModule() noexcept { return g_module; }
void SetThisModule(HMODULE module) noexcept { g_module = module; }

HANDLE PluginActivationContext() noexcept {
  // Made once per process and kept: pages created from it may outlive any one sheet.
  static HANDLE context = [] {
    ACTCTXW request = {sizeof request};
    request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.hModule = g_module;
    request.lpResourceName = MAKEINTRESOURCEW(2);
    return g_module ? CreateActCtxW(&request) : INVALID_HANDLE_VALUE;
  }();
  return context;
}

void LockModule() noexcept { InterlockedIncrement(&g_locks); }
void UnlockModule() noexcept { InterlockedDecrement(&g_locks); }
void ObjectCreated() noexcept { InterlockedIncrement(&g_objects); }
void ObjectDestroyed() noexcept { InterlockedDecrement(&g_objects); }

bool ModuleInUse() noexcept {
  return InterlockedCompareExchange(&g_locks, 0, 0) != 0 ||
         InterlockedCompareExchange(&g_objects, 0, 0) != 0;
}

}  // namespace kv
