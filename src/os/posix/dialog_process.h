// The two ways the POSIX dialogs and help start a program.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace hostutil::os::desktop {

// Runs the tool (program path first) with no input and its messages discarded,
// collecting what it prints. True when it ended with status 0.
bool run_tool(std::vector<std::string> args, std::string& output);

// Starts program with one argument, detached. The handler's process id; 0
// when it did not start.
pid_t start_detached(const std::string& program, const std::string& argument);

}  // namespace hostutil::os::desktop
