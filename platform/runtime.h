// What the statically linked C++ runtime keeps for itself per loaded module.
#pragma once

namespace __gnu_cxx {
void __freeres() noexcept;
}

namespace kv {

// The C++ runtime reserves a block (about 72 KiB on x64) at load for exceptions thrown
// while memory is short, and never frees it: each load and unload of a module that links
// the runtime statically would leave one behind in the host process. Called once the
// module is being unloaded by FreeLibrary, when none of its code runs any more.
inline void ReleaseRuntimeReserves() noexcept { __gnu_cxx::__freeres(); }

}  // namespace kv
