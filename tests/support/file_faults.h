// Stand-in bodies for the file calls that more than one test file replaces.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "support/stand_in.h"

namespace hostutil::test {

using program_path = stand_in<&os::system_calls::program_path>;

// For stand_in<&os::system_calls::program_path>: the running program seems to
// be at path, reported as the system reports it (cut to the buffer, NUL-ended).
inline auto program_at(std::string path) {
  return [path = std::move(path)](char* buffer, std::uint32_t size) -> std::uint32_t {
    if (size == 0) return 0;
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(path.size(), size - 1));
    std::memcpy(buffer, path.data(), n);
    buffer[n] = '\0';
    return path.size() < size ? n : size;
  };
}

}  // namespace hostutil::test
