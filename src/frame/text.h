// Small text tests every subsystem makes of its callers' arguments.
#pragma once

namespace hostutil {

// True for a null text and for one of no characters.
inline bool empty(const char* text) { return text == nullptr || text[0] == '\0'; }

}  // namespace hostutil
