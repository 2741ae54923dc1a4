#include "platform/module.h"

#include "platform/handles.h"

namespace kv {
namespace {

HMODULE g_module = nullptr;
volatile LONG g_locks = 0;
volatile LONG g_objects = 0;
HANDLE volatile g_activation_context = nullptr;

}  // namespace

HMODULE ThisModule() noexcept { return g_module; }
void SetThisModule(HMODULE module) noexcept { g_module = module; }

HANDLE PluginActivationContext() noexcept {
  // Made on first use and kept until the module is unloaded: pages created from it may
  // outlive any one sheet.
  HANDLE context = InterlockedCompareExchangePointer(&g_activation_context, nullptr, nullptr);
  if (context) return context;
  ACTCTXW request = {sizeof request};
  request.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.hModule = g_module;
  request.lpResourceName = MAKEINTRESOURCEW(2);
  HANDLE made = g_module ? CreateActCtxW(&request) : INVALID_HANDLE_VALUE;
  // Two threads may both make one; the first to store it wins, the other releases its own.
  context = InterlockedCompareExchangePointer(&g_activation_context, made, nullptr);
  if (!context) return made;
  unique_actctx(made).reset();
  return context;
}

void ReleasePluginActivationContext() noexcept {
  HANDLE context = InterlockedExchangePointer(&g_activation_context, nullptr);
  if (context) unique_actctx(context).reset();
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
