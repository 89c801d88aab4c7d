// A named semaphore of the process's table held for a scope: entered (with the
// library's 60 attempts) when made, left by leave() or at the end of the scope.
// The heap areas, the CSV file writers and the value operations run under one.
#pragma once

#include <cstdint>

#include "hostutil.h"

namespace hostutil::lock {

// The name every process's heap-area and registry calls run under.
inline constexpr const char heap_semaphore[] = "HEAP_SEMAPHORE_CONTROL";

class named_guard {
 public:
  explicit named_guard(const char* name)
      : name_(name), entered_(SemaphoreEntry(name, 0, attempts) != 0) {}
  ~named_guard() { leave(); }
  named_guard(const named_guard&) = delete;
  named_guard& operator=(const named_guard&) = delete;

  bool entered() const { return entered_; }
  void leave() {
    if (entered_) SemaphoreLeave(name_, 0);
    entered_ = false;
  }

 private:
  static constexpr std::uint32_t attempts = 60;
  const char* name_;
  bool entered_;
};

}  // namespace hostutil::lock
