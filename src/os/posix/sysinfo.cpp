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

// Copies text and its NUL when they fit in size bytes.
bool copy_if_fits(const char* text, std::size_t length, char* buffer, std::uint32_t size) {
  if (length >= size) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::memcpy(buffer, text, length + 1);
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

// The Xlib entry points the display query needs, looked up in a library
// loaded for the call and unloaded after it.
class xlib {
 public:
  xlib() : module_(::dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL)) {
    if (module_ == nullptr) return;
    open_ = reinterpret_cast<open_fn>(::dlsym(module_, "XOpenDisplay"));
    close_ = reinterpret_cast<close_fn>(::dlsym(module_, "XCloseDisplay"));
    screen_ = reinterpret_cast<screen_fn>(::dlsym(module_, "XDefaultScreen"));
    width_ = reinterpret_cast<size_fn>(::dlsym(module_, "XDisplayWidth"));
    height_ = reinterpret_cast<size_fn>(::dlsym(module_, "XDisplayHeight"));
  }
  ~xlib() {
    if (module_ != nullptr) ::dlclose(module_);
  }
  xlib(const xlib&) = delete;
  xlib& operator=(const xlib&) = delete;

  // The default screen's size of the display that DISPLAY names.
  bool default_screen(std::uint32_t& width, std::uint32_t& height) const {
    if (open_ == nullptr || close_ == nullptr || screen_ == nullptr || width_ == nullptr ||
        height_ == nullptr) {
      return false;
    }
    void* display = open_(nullptr);
    if (display == nullptr) return false;
    const int screen = screen_(display);
    const int w = width_(display, screen);
    const int h = height_(display, screen);
    close_(display);
    width = w > 0 ? static_cast<std::uint32_t>(w) : 0;
    height = h > 0 ? static_cast<std::uint32_t>(h) : 0;
    return true;
  }

 private:
  using open_fn = void* (*)(const char*);
  using close_fn = int (*)(void*);
  using screen_fn = int (*)(void*);
  using size_fn = int (*)(void*, int);
  void* module_;
  open_fn open_ = nullptr;
  close_fn close_ = nullptr;
  screen_fn screen_ = nullptr;
  size_fn width_ = nullptr;
  size_fn height_ = nullptr;
};

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
  if (length >= *size) {
    *size = static_cast<std::uint32_t>(length + 1);
    errno = ENAMETOOLONG;
    return false;
  }
  std::memcpy(buffer, host, length);
  buffer[length] = '\0';
  *size = static_cast<std::uint32_t>(length);
  return true;
}

bool host_name(char* buffer, std::uint32_t size) {
  char host[host_name_size];
  return whole_host_name(host) && copy_if_fits(host, std::strlen(host), buffer, size);
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
  const xlib x;
  x.default_screen(width, height);
}

int language_name(char* buffer, std::uint32_t size) {
  char name[4];
  if (!abbreviated_language_name(messages_locale(), name)) {
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
