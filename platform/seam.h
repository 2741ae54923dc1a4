// The narrow interfaces through which the logic reaches what tests must control. Each
// interface names its real Win32 implementation as Default(); Use<I>() answers the one in
// force, and a test puts its fake in place for a scope with ScopedSeam. Where the one in force
// is kept is declared with the interface (KV_SEAM) and defined beside its real implementation
// (KV_SEAM_PLACE).
#pragma once

namespace kv {

template <class Interface>
class Seam {
 public:
  static Interface& Get() noexcept { return current_ ? *current_ : Interface::Default(); }
  static Interface* Swap(Interface* replacement) noexcept {
    Interface* old = current_;
    current_ = replacement;
    return old;
  }

 private:
  static Interface* current_;
};

// In an interface's header, after the interface: its seam's place is defined elsewhere.
#define KV_SEAM(Interface) \
  template <>              \
  Interface* Seam<Interface>::current_
// In the .cpp of its real implementation, inside namespace kv: the place, empty at first.
#define KV_SEAM_PLACE(Interface) \
  template <>                    \
  Interface* Seam<Interface>::current_ = nullptr

template <class Interface>
Interface& Use() noexcept {
  return Seam<Interface>::Get();
}

template <class Interface>
class ScopedSeam {
 public:
  explicit ScopedSeam(Interface& replacement) noexcept
      : saved_(Seam<Interface>::Swap(&replacement)) {}
  ScopedSeam(const ScopedSeam&) = delete;
  ScopedSeam& operator=(const ScopedSeam&) = delete;
  ~ScopedSeam() { Seam<Interface>::Swap(saved_); }

 private:
  Interface* saved_;
};

}  // namespace kv
