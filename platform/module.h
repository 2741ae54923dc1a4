// Module-wide state of the in-process server: its own handle, the server lock count and the
// number of live plug-in objects.
#pragma once

#include <windows.h>

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

}  // namespace kv
