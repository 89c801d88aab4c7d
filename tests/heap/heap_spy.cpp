// The heap spy's stand-ins for the heap calls, in place for its lifetime.
#include "heap_spy.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace hostutil::test {

heap_spy::heap_spy()
    : allocate_([this](std::size_t size, bool zero) -> void* {
        if (fail_allocation > 0 && --fail_allocation == 0) return nullptr;
        void* block = allocate_.real(size, zero);
        if (block != nullptr) zero_fill.push_back(zero);
        return block;
      }),
      size_([this](void* block) -> std::size_t {
        if (!zero_sizes) return size_.real(block);
        if (std::find(stranded.begin(), stranded.end(), block) == stranded.end()) {
          stranded.push_back(block);
        }
        return 0;
      }),
      release_([this](void* block) {
        const std::size_t size = size_.real(block);
        if (size < os::heap_mapped_threshold) {
          const auto* bytes = static_cast<const unsigned char*>(block);
          if (std::any_of(bytes, bytes + size, [](unsigned char b) { return b != 0; })) {
            ++dirty_releases;
          }
        }
        released_sizes.push_back(size);
        return release_.real(block);
      }) {}

heap_spy::~heap_spy() {
  for (void* block : stranded) release_.real(block);  // no-op for blocks freed since
}

std::string text_of(const void* block) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(block)));
  return text;
}

}  // namespace hostutil::test
