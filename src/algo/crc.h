// The library's 16-bit CRC as a register that can be carried from one block to
// the next, so that the exported call and any streaming caller share one path.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hostutil::algo {

// Feeds size bytes into a register that already holds the CRC of the bytes
// before them (0 for none) and returns the new register. Sixteen bytes a step.
std::uint16_t crc_continue(std::uint16_t reg, const unsigned char* data, std::size_t size);

// The leading whole steps of the bulk by carry-less multiplication, where the
// processor has it: updates reg and returns the bytes it took (0 when it took
// none: too short, or no such instructions).
std::size_t crc_fold_bulk(std::uint16_t& reg, const unsigned char* data, std::size_t size);

// The same, one table step a byte: the plain form the fast one must equal.
std::uint16_t crc_continue_bytewise(std::uint16_t reg, const unsigned char* data, std::size_t size);

}  // namespace hostutil::algo
