// A name lookup that its caller waits for no longer than a deadline. The system may take its
// time over a name (a slow or absent name server); the plug-in's page and the companion's
// update both have a user or a host waiting on them, so the lookup runs on a thread of its
// own and the caller leaves when the deadline passes, with no address.
#pragma once

#include <cstddef>

#include "platform/deadline.h"
#include "platform/name_resolution.h"

namespace kv {

class BoundedResolution final : public NameResolution {
 public:
  // Lookups go to `inner` within what is left of `deadline` (copied: it keeps its end).
  // `inner` must outlive every lookup this resolver starts, those it gave up on included:
  // the system's resolver is static; a test's waits for its own lookups to end.
  BoundedResolution(NameResolution& inner, const Deadline& deadline) noexcept
      : inner_(inner), deadline_(deadline) {}

  // The inner answer when it comes before the deadline; false, with `address` untouched,
  // when the deadline has passed (no lookup is started then), the name does not fit in 259
  // bytes, the lookup cannot be started or does not end in time, or the answer does not fit.
  // A lookup given up on owns its copy of the name, its answer and a reference to the module
  // that runs it: it writes nothing of the caller's and ends on its own.
  bool Resolve(const char* name, char* address, size_t capacity) override;

 private:
  NameResolution& inner_;
  const Deadline deadline_;
};

}  // namespace kv
