// The making and taking apart of one CSV item, over memory the caller
// provides: the exported functions check their arguments, clear the output
// and find the scratch; these do the work, and tests and fuzzers drive them.
#pragma once

#include <cstdint>

namespace hostutil::csv {

// Up to this output size a quoted item is built on the stack; above it, in a
// registered allocation as large as the output.
constexpr std::uint32_t small_scratch = 512;

// The longest separator GetCSVOneItem2 takes: its end mark, a quote and the
// separator, is built in 256 bytes.
constexpr std::uint32_t end_mark_capacity = 256;

// ---- encoding ----

// An item is quoted when it holds the separator (non-empty), or a quote when
// quotes are to be doubled.
bool needs_quotes(const char* item, const char* separator, bool doubleQuotes);

// The quoted form of item into scratch, its quotes doubled when asked: false
// as soon as it grows past limit characters. No NUL is written.
bool build_quoted(const char* item, bool doubleQuotes, char* scratch, std::uint32_t limit,
                  std::uint32_t& length);

// ---- decoding ----
// Each writes into buffer, which the caller has cleared, and answers where the
// next item begins inside line, or null after the last item.

// An item that begins with a quote, doubled quotes read as one; built in
// scratch (bufferSize bytes at least) and copied only when it fits. Null with
// the buffer empty when it has no closing quote.
const char* take_quoted(const char* line, char* buffer, std::uint32_t bufferSize, char* scratch);

// An item without quotes up to the separator (non-empty): not copied when too
// long; the last item of a line is cut instead.
const char* take_plain(const char* line, const char* separator, char* buffer,
                       std::uint32_t bufferSize);

// An item as the quotes-kept variant reads it: a quoted one ends at a quote
// followed by the separator, and quotes inside stay. Every item is cut to fit.
// The separator is non-empty and shorter than end_mark_capacity - 1.
const char* take_kept_quotes(const char* line, const char* separator, char* buffer,
                             std::uint32_t bufferSize);

}  // namespace hostutil::csv
