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
      return reinterpret_cast<hostutil::os::semaphore*>(new std::uint32_t{initial});
    };
    t.semaphore_wait = [](hostutil::os::semaphore* s, std::uint32_t) {
      auto& count = *reinterpret_cast<std::uint32_t*>(s);
      if (count == 0) return hostutil::os::wait_status::timed_out;
      --count;
      return hostutil::os::wait_status::acquired;
    };
    t.semaphore_post = [](hostutil::os::semaphore* s) {
      auto& count = *reinterpret_cast<std::uint32_t*>(s);
      if (count >= 2) return false;
      ++count;
      return true;
    };
    t.semaphore_close = [](hostutil::os::semaphore* s) {
      delete reinterpret_cast<std::uint32_t*>(s);
      return true;
    };
  }
  ~counter_semaphores() { hostutil::os::calls() = saved_; }
  counter_semaphores(const counter_semaphores&) = delete;
  counter_semaphores& operator=(const counter_semaphores&) = delete;

 private:
  hostutil::os::system_calls saved_;
};

}  // namespace bench
