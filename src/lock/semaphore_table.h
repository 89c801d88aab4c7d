// The process's table of named semaphores, as the rest of the library sees it.
#pragma once

#include <cstdint>

namespace hostutil::lock {

// The numbered name of a semaphore: all 64 bits as 16 lowercase hex digits.
void numbered_name(std::uint64_t number, char (&out)[17]);

// Number of occupied slots (for tests and the tour).
std::uint32_t occupied_slots();

}  // namespace hostutil::lock
