// Counters in place of the system's named semaphores, for the length of a
// scope: what remains measured is the library's own share of the cost.
#pragma once

#include <cstdint>

#include "os/system_calls.h"

namespace bench {

class counter_semaphores {
 public:
  counter_semaphores() : saved_(hostutil::os::calls()) {
    auto& t = hostutil::os::calls();
    t.semaphore_open = [](const char*, std::uint32_t initial, std::uint32_t) {
      return reinterpret_cast<hostutil::os::semaphore*>(new counter{initial});
    };
    t.semaphore_wait = [](hostutil::os::semaphore* s, std::uint32_t) {
      auto* c = reinterpret_cast<counter*>(s);
      if (c->count == 0) return hostutil::os::wait_status::timed_out;
      --c->count;
      return hostutil::os::wait_status::acquired;
    };
    t.semaphore_post = [](hostutil::os::semaphore* s) {
      auto* c = reinterpret_cast<counter*>(s);
      if (c->count >= 2) return false;
      ++c->count;
      return true;
    };
    t.semaphore_close = [](hostutil::os::semaphore* s) {
      delete reinterpret_cast<counter*>(s);
      return true;
    };
  }
  ~counter_semaphores() { hostutil::os::calls() = saved_; }
  counter_semaphores(const counter_semaphores&) = delete;
  counter_semaphores& operator=(const counter_semaphores&) = delete;

 private:
  struct counter {
    std::uint32_t count;
  };
  hostutil::os::system_calls saved_;
};

}  // namespace bench
