// Linked into each of the shipped DLLs itself, ahead of the C++ runtime's archive.
#include <cstdlib>

namespace __gnu_cxx {

// The runtime's own handler for an exception nobody catches writes the exception's type,
// demangled, to a standard error stream that a DLL inside a printing application does not
// have, and brings the demangler (about 36 KiB) with it. Defined here, the runtime's is not
// linked; std::terminate still ends the process, as it would have.
void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
