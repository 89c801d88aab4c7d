// An in-memory stand-in for the system's named semaphores, installed through
// stand-ins of the system calls for tests that need 102,400 objects or a refusal.
// Not thread-safe: single-threaded tests only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hostutil.h"
#include "support/stand_in.h"

namespace hostutil::test {

// Not copyable, as its stand-ins are not.
class fake_semaphores {
 public:
  // Ends the table, then the system's calls come back.
  ~fake_semaphores() {
    // The table must not outlive the stand-in objects it holds.
    refuse_post = false;
    SemaphoreControlEnd();
  }

  std::uint32_t closed = 0;
  bool refuse_open = false;                     // open fails
  bool refuse_post = false;                     // every post fails
  std::map<std::string, std::uint32_t> counts;  // name -> count
  std::vector<std::uint32_t> pauses;            // between attempts, in ms; nobody sleeps

  // Every handle ever opened; kept until the end, since a table may forget some.
  std::vector<std::unique_ptr<std::string>> handles;

 private:
  std::uint32_t& count_of(os::semaphore* s) { return counts[*reinterpret_cast<std::string*>(s)]; }

  stand_in<&os::system_calls::semaphore_open> open_{
      [this](const char* name, std::uint32_t initial, std::uint32_t) -> os::semaphore* {
        if (refuse_open) return nullptr;
        counts.try_emplace(name, initial);
        handles.push_back(std::make_unique<std::string>(name));
        return reinterpret_cast<os::semaphore*>(handles.back().get());
      }};
  stand_in<&os::system_calls::semaphore_wait> wait_{[this](os::semaphore* s, std::uint32_t) {
    if (count_of(s) == 0) return os::wait_status::timed_out;
    --count_of(s);
    return os::wait_status::acquired;
  }};
  stand_in<&os::system_calls::semaphore_post> post_{[this](os::semaphore* s) {
    if (refuse_post || count_of(s) >= 2) return false;
    ++count_of(s);
    return true;
  }};
  stand_in<&os::system_calls::semaphore_close> close_{[this](os::semaphore* s) {
    ++closed;
    return s != nullptr;
  }};
  stand_in<&os::system_calls::pause_ms> pause_{[this](std::uint32_t ms) { pauses.push_back(ms); }};
};

}  // namespace hostutil::test
