// Byte order: a block of up to 256 bytes reversed in place, and the low 1 to 4 bytes of a 32-bit
// value reversed. Reversing is its own inverse, so the big- and little-endian forms are one
// operation.
#include <algorithm>
#include <cstdint>

#include "hostutil.h"

namespace {

constexpr uint32_t block_limit = 256;

uint32_t reverse_low_bytes(uint32_t value, uint32_t size) {
  // Sizes above 4 lie outside the contract; they are refused rather than guessed at.
  if (size > 4) return 0;
  uint32_t result = 0;
  for (uint32_t i = 0; i < size; ++i) {
    const uint32_t byte = (value >> (8 * i)) & 0xFFu;
    result |= byte << (8 * (size - 1 - i));
  }
  return result;
}

}  // namespace

extern "C" {

HOSTUTIL_API void HOSTUTIL_CALL ChangeEndian(void* block, uint32_t size) {
  if (block == nullptr || size == 0 || size > block_limit) return;
  auto* bytes = static_cast<unsigned char*>(block);
  std::reverse(bytes, bytes + size);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL ChangeBigEndian(uint32_t value, uint32_t size) {
  return reverse_low_bytes(value, size);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL ChangeLittleEndian(uint32_t value, uint32_t size) {
  return reverse_low_bytes(value, size);
}

}  // extern "C"
