// Where the plug-in's code returns to code that is not its own (the host's calls into the
// plug-in object and its callbacks, window, dialog and subclass procedures, enumeration
// callbacks, the bodies of threads, the companion's export), no exception passes: the
// firewall runs the body, and one that reaches it is stopped, recorded for a debugger and
// turned into the boundary's neutral answer.
#pragma once

#include <windows.h>

#include <exception>
#include <new>

namespace kv {

// Tells a debugger watching the process which boundary stopped an exception and what it
// said, in one line: "<module>: <where> stopped an exception: <what>" (OutputDebugStringW).
void RecordStopped(const char* where, const char* what) noexcept;

// Runs `body`; an exception stops here: running out of memory gives `on_oom`, anything else
// `on_error`, after `stopped()` has run (a boundary with something to undo).
template <typename Result, typename Body, typename Stopped>
Result Firewall(const char* where, Result on_oom, Result on_error, Body&& body,
                Stopped&& stopped) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    RecordStopped(where, "out of memory");
    stopped();
    return on_oom;
  } catch (const std::exception& error) {
    RecordStopped(where, error.what());
  } catch (...) {
    RecordStopped(where, "an exception of no standard type");
  }
  stopped();
  return on_error;
}

template <typename Result, typename Body>
Result Firewall(const char* where, Result on_oom, Result on_error, Body&& body) noexcept {
  return Firewall<Result>(where, on_oom, on_error, static_cast<Body&&>(body), [] {});
}

// A COM method: E_OUTOFMEMORY or E_FAIL.
template <typename Body>
HRESULT FirewallHr(const char* where, Body&& body) noexcept {
  return Firewall<HRESULT>(where, E_OUTOFMEMORY, E_FAIL, static_cast<Body&&>(body));
}

// A boundary with nothing to answer: what the body did not finish stays undone.
template <typename Body>
void FirewallVoid(const char* where, Body&& body) noexcept {
  Firewall<bool>(where, false, false, [&] {
    body();
    return true;
  });
}

}  // namespace kv
