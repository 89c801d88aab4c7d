// Building a Windows command line from separate arguments, shared by the host
// program and the test support that start child processes.
#pragma once

#include <string>
#include <vector>

namespace hostutil::tools {

// Quotes one argument the way the C runtime splits a command line: backslashes
// are literal except before a quote, where they must be doubled.
inline std::string quote_argument(const std::string& s) {
  std::string out = "\"";
  std::size_t backslashes = 0;
  for (char c : s) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

inline std::string command_line(const std::vector<std::string>& argv) {
  std::string cmd;
  for (const auto& a : argv) {
    if (!cmd.empty()) cmd += ' ';
    cmd += quote_argument(a);
  }
  return cmd;
}

}  // namespace hostutil::tools
