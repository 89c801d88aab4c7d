// An in-memory stand-in for the system's named semaphores, installed through
// the swappable call table for tests that need 102,400 objects or a refusal.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "os/os.h"

namespace hostutil::test {

class fake_semaphores {
 public:
  fake_semaphores();
  ~fake_semaphores();  // puts the system's calls back

  std::uint32_t opened = 0;
  std::uint32_t closed = 0;
  bool refuse_open = false;                     // open fails
  bool refuse_post = false;                     // every post fails
  std::map<std::string, std::uint32_t> counts;  // name -> count
  std::vector<std::uint32_t> pauses;            // between attempts, in ms; nobody sleeps

  // Every handle ever opened; kept until the end, since a table may forget some.
  std::vector<std::unique_ptr<std::string>> handles;

 private:
  os::semaphore_calls saved_;
};

}  // namespace hostutil::test
