// The heap spy's wrappers, installed in the heap call table for its lifetime.
#include "heap_spy.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace hostutil::test {
namespace {

heap_spy* g_spy = nullptr;
os::heap_calls g_real;

void* spy_allocate(std::size_t size, bool zero_fill) {
  if (g_spy->fail_allocation > 0 && --g_spy->fail_allocation == 0) return nullptr;
  void* block = g_real.allocate(size, zero_fill);
  if (block != nullptr) {
    ++g_spy->allocations;
    g_spy->zero_fill.push_back(zero_fill);
  }
  return block;
}

std::size_t spy_size(void* block) {
  if (g_spy->zero_sizes) {
    if (std::find(g_spy->stranded.begin(), g_spy->stranded.end(), block) == g_spy->stranded.end())
      g_spy->stranded.push_back(block);
    return 0;
  }
  return g_real.size(block);
}

bool spy_release(void* block) {
  const std::size_t size = g_real.size(block);
  if (size < os::heap_mapped_threshold) {
    const auto* bytes = static_cast<const unsigned char*>(block);
    if (std::any_of(bytes, bytes + size, [](unsigned char b) { return b != 0; }))
      ++g_spy->dirty_releases;
  }
  g_spy->released_sizes.push_back(size);
  return g_real.release(block);
}

}  // namespace

heap_spy::heap_spy() : saved_(os::heap_syscalls()) {
  g_real = saved_;
  g_spy = this;
  os::heap_syscalls() = {spy_allocate, spy_size, saved_.scrub, spy_release};
}

heap_spy::~heap_spy() {
  os::heap_syscalls() = saved_;
  g_spy = nullptr;
  for (void* block : stranded) saved_.release(block);  // no-op for blocks freed since
}

std::string text_of(const void* block) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(block)));
  return text;
}

}  // namespace hostutil::test
