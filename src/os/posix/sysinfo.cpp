// Machine queries on POSIX: the system folder is the C library's, the computer
// name is the host name up to its first dot, the display is the default screen
// of the X display (libX11 loaded for the call, so the port runs without X),
// and the language comes from the locale environment.
#include "os/sysinfo.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "os/posix/language_names.h"

namespace hostutil::os {

namespace {

constexpr std::size_t host_name_size = 256;

// The host name with its NUL into out; false when it cannot be had.
bool whole_host_name(char (&out)[host_name_size]) {
  std::memset(out, 0, sizeof out);
  if (::gethostname(out, sizeof out - 1) != 0) return false;
  return out[0] != '\0';
}

// The first length bytes of name and a NUL into buffer (size bytes); false
// when they do not fit.
bool put_name(const char* name, std::size_t length, char* buffer, std::uint32_t size) {
  if (length >= size) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::memcpy(buffer, name, length);
  buffer[length] = '\0';
  return true;
}

// Reads the leading decimal number of text and moves text past it and one dot.
std::uint32_t next_number(const char*& text) {
  std::uint32_t value = 0;
  while (*text >= '0' && *text <= '9') {
    value = value * 10 + static_cast<std::uint32_t>(*text - '0');
    ++text;
  }
  if (*text == '.') ++text;
  return value;
}

}  // namespace

std::uint32_t system_folder(char* buffer, std::uint32_t size) {
  // getpid is the C library's own and no sanitizer stands in for it.
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&::getpid), &info) == 0 || info.dli_fname == nullptr) {
    return 0;
  }
  const char* slash = std::strrchr(info.dli_fname, '/');
  if (slash == nullptr || slash == info.dli_fname) return 0;
  const std::size_t length = static_cast<std::size_t>(slash - info.dli_fname);
  if (length >= size) return static_cast<std::uint32_t>(length + 1);
  std::memcpy(buffer, info.dli_fname, length);
  buffer[length] = '\0';
  return static_cast<std::uint32_t>(length);
}

bool computer_name(char* buffer, std::uint32_t* size) {
  char host[host_name_size];
  if (!whole_host_name(host)) return false;
  const std::size_t length = std::strcspn(host, ".");
  const bool fits = put_name(host, length, buffer, *size);
  // What was written, or the size that it needs.
  *size = static_cast<std::uint32_t>(fits ? length : length + 1);
  return fits;
}

bool host_name(char* buffer, std::uint32_t size) {
  char host[host_name_size];
  return whole_host_name(host) && put_name(host, std::strlen(host), buffer, size);
}

bool first_ipv4_address(const char* host, char (&text)[16]) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return false;
  bool ok = false;
  if (found->ai_family == AF_INET && found->ai_addr != nullptr) {
    const auto* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    ok = ::inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr;
  }
  ::freeaddrinfo(found);
  return ok;
}

bool version(version_record& record) {
  struct utsname names;
  if (::uname(&names) != 0) return false;
  record.platform_id = platform_posix;
  const char* release = names.release;
  record.major = next_number(release);
  record.minor = next_number(release);
  record.build = next_number(release);
  std::memset(record.service_pack, 0, sizeof record.service_pack);
  std::strncpy(record.service_pack, names.version, sizeof record.service_pack - 1);
  return true;
}

void display_mode(std::uint32_t& width, std::uint32_t& height) {
  width = 0;
  height = 0;
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || display[0] == '\0') return;
  // libX11 is loaded for the call and unloaded after it.
  const std::unique_ptr<void, int (*)(void*)> x11(::dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL),
                                                  ::dlclose);
  if (x11 == nullptr) return;
  using display_fn = int (*)(void*);
  using size_fn = int (*)(void*, int);
  const auto open_display =
      reinterpret_cast<void* (*)(const char*)>(::dlsym(x11.get(), "XOpenDisplay"));
  const auto close_display = reinterpret_cast<display_fn>(::dlsym(x11.get(), "XCloseDisplay"));
  const auto screen_of = reinterpret_cast<display_fn>(::dlsym(x11.get(), "XDefaultScreen"));
  const auto width_of = reinterpret_cast<size_fn>(::dlsym(x11.get(), "XDisplayWidth"));
  const auto height_of = reinterpret_cast<size_fn>(::dlsym(x11.get(), "XDisplayHeight"));
  if (open_display == nullptr || close_display == nullptr || screen_of == nullptr ||
      width_of == nullptr || height_of == nullptr) {
    return;
  }
  // The default screen of the display that DISPLAY names.
  void* connection = open_display(nullptr);
  if (connection == nullptr) return;
  const int screen = screen_of(connection);
  const int w = width_of(connection, screen);
  const int h = height_of(connection, screen);
  close_display(connection);
  width = w > 0 ? static_cast<std::uint32_t>(w) : 0;
  height = h > 0 ? static_cast<std::uint32_t>(h) : 0;
}

int language_name(char* buffer, std::uint32_t size) {
  char name[4];
  const char* locale = locale_name("LC_MESSAGES");
  if (!abbreviated_language_name(locale != nullptr ? locale : "C", name)) {
    errno = ENOENT;
    return 0;
  }
  if (size < sizeof name) {
    errno = ERANGE;
    return 0;
  }
  std::memcpy(buffer, name, sizeof name);
  return static_cast<int>(sizeof name);
}

bool administrators_access() { return ::geteuid() == 0; }

}  // namespace hostutil::os
