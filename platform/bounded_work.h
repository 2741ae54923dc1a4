// Work a caller waits for no longer than it can afford: a name lookup or a printer that may
// take its time runs on a thread of its own, and the caller goes on when its wait is over.
//
// A thread left behind still owns its share of the work object and a reference to the
// module its code lives in, so neither goes away under it; the last of the two owners frees
// the work. Whatever the work writes after the caller has left is not read by anybody.
#pragma once

#include <windows.h>

#include <memory>
#include <new>

#include "platform/handles.h"

namespace kv {

class BoundedWork {
 public:
  virtual ~BoundedWork() = default;
  // Runs on the work's own thread; must not throw.
  virtual void Run() noexcept = 0;
};

namespace detail {

struct BoundedWorkStart {
  std::shared_ptr<BoundedWork> work;
  unique_hmodule module;  // the reference that keeps the work's code loaded
  unique_handle done;     // the thread's own handle of the event it sets when the work has run
};

// An inline function has one address per module, so the reference taken from it pins the
// module (the plug-in or its companion) that runs the work. The end of the work is told by
// the event, not by the thread's exit: a thread's exit waits for the loader's lock (to tell
// the process's libraries of it), which the host may be holding.
inline DWORD WINAPI RunBoundedWork(void* parameter) {
  std::unique_ptr<BoundedWorkStart> start(static_cast<BoundedWorkStart*>(parameter));
  start->work->Run();
  SetEvent(start->done.get());
  // The module's reference is the last thing let go, by the call that ends the thread.
  const HMODULE module = start->module.release();
  start.reset();
  FreeLibraryAndExitThread(module, 0);
}

}  // namespace detail

// Runs the work on a thread of its own and waits up to `wait_ms` for it: true when it ended
// within the wait. False also when no thread could be started (the work has not run).
inline bool RunBounded(const std::shared_ptr<BoundedWork>& work, DWORD wait_ms) noexcept {
  if (!work || wait_ms == 0) return false;
  HMODULE pinned = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(&detail::RunBoundedWork), &pinned))
    return false;
  unique_hmodule module(pinned);
  const unique_handle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  HANDLE theirs = nullptr;
  if (!done || !DuplicateHandle(GetCurrentProcess(), done.get(), GetCurrentProcess(), &theirs, 0,
                                FALSE, DUPLICATE_SAME_ACCESS))
    return false;
  unique_handle their_done(theirs);
  std::unique_ptr<detail::BoundedWorkStart> start(
      new (std::nothrow) detail::BoundedWorkStart{work, std::move(module), std::move(their_done)});
  if (!start) return false;
  const unique_handle thread(
      CreateThread(nullptr, 0, detail::RunBoundedWork, start.get(), 0, nullptr));
  if (!thread) return false;
  start.release();  // the thread's now
  return WaitForSingleObject(done.get(), wait_ms) == WAIT_OBJECT_0;
}

}  // namespace kv
