// Playing the user of a real dialog under X: xdotool, run the way the platform can.
#pragma once

#include <string>
#include <vector>

namespace hostutil::test {

// Runs xdotool with the arguments, bounded in time.
void xdotool(const std::vector<std::string>& args);

}  // namespace hostutil::test
