#include "platform/bounded_resolution.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <new>

#include "platform/bounded_work.h"
#include "platform/firewall.h"

namespace kv {
namespace {

constexpr size_t kNameBytes = 260;

// One lookup, with its own copy of the name and room for the answer: a lookup that outlives
// its caller still has its buffers, and writes nothing of the caller's.
class Lookup final : public BoundedWork {
 public:
  Lookup(NameResolution& inner, const char* name, size_t length) : inner_(inner) {
    memcpy(name_, name, length + 1);
  }
  void Run() noexcept override {
    // Nothing may escape a thread: a resolver that throws has found nothing.
    found_ = Firewall<bool>("a name lookup's thread", false, false,
                            [&] { return inner_.Resolve(name_, address_, sizeof address_); });
  }
  // The answer, read once the lookup has ended; false when it found nothing or the answer
  // does not fit (cut short, it would name another host).
  bool Answer(char* address, size_t capacity) const {
    if (!found_) return false;
    const size_t size = strnlen(address_, sizeof address_);
    if (size == sizeof address_ || size + 1 > capacity) return false;
    memcpy(address, address_, size + 1);
    return true;
  }

 private:
  NameResolution& inner_;
  char name_[kNameBytes] = {};
  char address_[kNameBytes] = {};
  bool found_ = false;
};

}  // namespace

bool BoundedResolution::Resolve(const char* name, char* address, size_t capacity) {
  if (!name || !address || capacity == 0 || deadline_.Passed()) return false;
  const size_t length = strnlen(name, kNameBytes);
  if (length == kNameBytes) return false;
  std::shared_ptr<Lookup> lookup;
  try {
    lookup = std::make_shared<Lookup>(inner_, name, length);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return RunBounded(lookup, deadline_.Remaining()) && lookup->Answer(address, capacity);
}

}  // namespace kv
