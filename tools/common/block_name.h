// The name the library gives a registered block's semaphore, as the host and
// the tests spell it for themselves: the address in 16 lowercase hex digits.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace hostutil::tools {

inline std::string block_name(std::uint64_t address) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(address));
  return text;
}

inline std::string block_name(const void* block) {
  return block_name(reinterpret_cast<std::uintptr_t>(block));
}

}  // namespace hostutil::tools
