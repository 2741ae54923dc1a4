// Module-wide state of the in-process server: its own handle, the server lock count and the
// number of live plug-in objects.
#pragma once

#include <windows.h>

#include <new>

namespace kv {

HMODULE ThisModule() noexcept;
void SetThisModule(HMODULE module) noexcept;

// The activation context made from the module's manifest (common controls 6) for its pages
// and dialogs; INVALID_HANDLE_VALUE when it cannot be made.
HANDLE PluginActivationContext() noexcept;
// Releases it when the module is unloaded; the next use makes it again.
void ReleasePluginActivationContext() noexcept;

void LockModule() noexcept;
void UnlockModule() noexcept;
void ObjectCreated() noexcept;
void ObjectDestroyed() noexcept;
[[nodiscard]] bool ModuleInUse() noexcept;

// Every entry point from the host runs its body through here: an exception never reaches
// the host; running out of memory gives `on_oom`, anything else `on_error`.
template <typename Result, typename Body>
Result Firewall(Result on_oom, Result on_error, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return on_oom;
  } catch (...) {
    return on_error;
  }
}

template <typename Body>
HRESULT FirewallHr(Body&& body) noexcept {
  return Firewall<HRESULT>(E_OUTOFMEMORY, E_FAIL, static_cast<Body&&>(body));
}

}  // namespace kv
