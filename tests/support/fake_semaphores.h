// An in-memory stand-in for the system's named semaphores, installed through
// stand-ins of the system calls for tests that need 102,400 objects or a refusal.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/stand_in.h"

namespace hostutil::test {

// Not copyable, as its stand-ins are not.
class fake_semaphores {
 public:
  fake_semaphores();
  ~fake_semaphores();  // ends the table, then the system's calls come back

  std::uint32_t closed = 0;
  bool refuse_open = false;                     // open fails
  bool refuse_post = false;                     // every post fails
  std::map<std::string, std::uint32_t> counts;  // name -> count
  std::vector<std::uint32_t> pauses;            // between attempts, in ms; nobody sleeps

  // Every handle ever opened; kept until the end, since a table may forget some.
  std::vector<std::unique_ptr<std::string>> handles;

 private:
  stand_in<&os::system_calls::semaphore_open> open_;
  stand_in<&os::system_calls::semaphore_wait> wait_;
  stand_in<&os::system_calls::semaphore_post> post_;
  stand_in<&os::system_calls::semaphore_close> close_;
  stand_in<&os::system_calls::pause_ms> pause_;
};

}  // namespace hostutil::test
