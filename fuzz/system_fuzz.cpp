// What the printer search parses: port names by GetPortKind, against the
// rules written out plainly, and capability files by the private-profile
// reader, whose value must fit the exact-size buffer it is given, NUL-ended,
// within one line of the file or the default.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hostutil.h"
#include "os/private_profile.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

bool starts_no_case(const char* p, const char* word) {
  for (; *word != '\0'; ++p, ++word) {
    if (*p == '\0' || (*p | 0x20) != (*word | 0x20)) return false;
  }
  return true;
}

// Four dot-separated parts of up to three digits, each at most 255 (an empty
// part is 0), and at most one dot after the fourth.
bool dotted_address(const std::string& name) {
  std::size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    const std::size_t end = std::min(name.find('.', at), name.size());
    if (end - at > 3) return false;
    unsigned value = 0;
    for (std::size_t i = at; i < end; ++i) {
      if (name[i] < '0' || name[i] > '9') return false;
      value = value * 10 + static_cast<unsigned>(name[i] - '0');
    }
    if (value > 255) return false;
    if (part < 3 && end == name.size()) return false;
    at = end + 1;
  }
  return at >= name.size();  // the end, or one dot that ends the name
}

uint32_t port_kind(const std::string& name) {
  if (name.empty()) return 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (starts_no_case(name.c_str() + i, "usb")) return 2;
    if (starts_no_case(name.c_str() + i, "lpt")) return 3;
  }
  return dotted_address(name) ? 1 : 0;
}

const char* const names[] = {"Capability", "capability", "S", "Model X", "", " a "};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 3, size - 3);

  // The port name: the text up to its first NUL.
  const std::string port(text.c_str());
  check(GetPortKind(port.c_str()) == port_kind(port));

  // The capability file: the whole text, any bytes.
  static const std::string path = "/tmp/hostutil_system_fuzz." + std::to_string(::getpid());
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);

  const std::uint32_t buffer_size = 1 + data[0] % 64;
  const char* section = names[data[1] % 6];
  const char* key = names[data[2] % 6];
  const char* default_text = data[2] & 0x80 ? nullptr : "NONE";
  char* buffer = static_cast<char*>(std::malloc(buffer_size));
  std::memset(buffer, 0x5A, buffer_size);
  const std::uint32_t n = hostutil::os::private_profile_string(section, key, default_text, buffer,
                                                               buffer_size, path.c_str());
  check(n < buffer_size && buffer[n] == '\0' && std::strlen(buffer) == n);
  check(std::memchr(buffer, '\r', n) == nullptr && std::memchr(buffer, '\n', n) == nullptr);
  const bool from_default = std::strncmp(buffer, "NONE", n) == 0 && n <= 4;
  check(from_default || text.find(std::string(buffer, n)) != std::string::npos);
  std::free(buffer);
  return 0;
}
