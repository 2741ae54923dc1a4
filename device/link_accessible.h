// What a screen reader is told of the Troubleshooting page's links: they are static texts, so
// the system's own accessible object calls them text; this one is that object with the role
// of a link, a state that says it is one, and a default action that opens it as a click does.
#pragma once

#include <windows.h>

namespace kv {

// The answer to the link's WM_GETOBJECT: for its client object, a reference to the link's
// accessible object for the caller; 0 (the system's own object) when the accessibility
// library cannot be had, or for any other object asked for. The library is loaded from the
// system folder the first time a client asks, so a page that nobody reads costs nothing.
LRESULT LinkAccessibleObject(HWND link, WPARAM flags, LPARAM object_id) noexcept;

}  // namespace kv
