// Printers on POSIX from CUPS: the local queues are the printers, a queue's
// device URI its port, its make and model its driver name, and the PPD file
// the server keeps for it its driver file. libcups is loaded at first use, so
// the library runs where CUPS is not installed. Plug-ins are shared objects.
#include "os/printer.h"

#include <dlfcn.h>
#include <link.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <string>
#include <vector>

namespace hostutil::os {

namespace {

// libcups' public records, as its header lays them out.
struct cups_option {
  char* name;
  char* value;
};
struct cups_dest {
  char* name;
  char* instance;
  int is_default;
  int num_options;
  cups_option* options;
};

// printer-type bits of what is not a local printer: a class, a queue of
// another server, a printer found on the network.
constexpr unsigned long not_local = 0x0001 | 0x0002 | 0x1000000;
constexpr int http_status_ok = 200;

// The libcups entry points. Loaded once and kept: libcups keeps per-thread
// state whose destructors must stay mapped.
class libcups {
 public:
  static const libcups* get() {
    static const libcups instance;
    return instance.ready_ ? &instance : nullptr;
  }

  int (*get_dests)(void* http, cups_dest** dests) = nullptr;
  void (*free_dests)(int count, cups_dest* dests) = nullptr;
  const char* (*get_option)(const char* name, int count, cups_option* options) = nullptr;
  cups_dest* (*get_named_dest)(void* http, const char* name, const char* instance) = nullptr;
  int (*get_ppd)(void* http, const char* name, time_t* modified, char* buffer,
                 std::size_t size) = nullptr;
  const char* (*server)() = nullptr;

 private:
  libcups() {
    void* module = ::dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return;
    ready_ = look_up(module, get_dests, "cupsGetDests2") &&
             look_up(module, free_dests, "cupsFreeDests") &&
             look_up(module, get_option, "cupsGetOption") &&
             look_up(module, get_named_dest, "cupsGetNamedDest") &&
             look_up(module, get_ppd, "cupsGetPPD3") && look_up(module, server, "cupsServer");
  }
  // Whether the entry point is there.
  template <typename F>
  static bool look_up(void* module, F& entry, const char* name) {
    entry = reinterpret_cast<F>(::dlsym(module, name));
    return entry != nullptr;
  }
  bool ready_ = false;
};

// The destinations of one listing, given back on every path.
class destinations {
 public:
  explicit destinations(const libcups& cups) : cups_(cups) {
    count_ = cups.get_dests(nullptr, &list_);
    if (list_ == nullptr) count_ = 0;
  }
  ~destinations() {
    if (list_ != nullptr) cups_.free_dests(count_, list_);
  }
  destinations(const destinations&) = delete;
  destinations& operator=(const destinations&) = delete;
  int count() const { return count_; }
  const cups_dest& operator[](int i) const { return list_[i]; }

 private:
  const libcups& cups_;
  cups_dest* list_ = nullptr;
  int count_ = 0;
};

// The records as they lie at the start of the caller's block (a printer's is
// its printer_names); their texts follow.
struct driver_record {
  const char* path;
};

const char* option(const libcups& cups, const cups_dest& dest, const char* name) {
  const char* value = cups.get_option(name, dest.num_options, dest.options);
  return value != nullptr ? value : "";
}

bool is_local_printer(const libcups& cups, const cups_dest& dest) {
  if (dest.name == nullptr || dest.instance != nullptr) return false;
  const unsigned long type = std::strtoul(option(cups, dest, "printer-type"), nullptr, 10);
  return (type & not_local) == 0;
}

printer_names names_of(const libcups& cups, const cups_dest& dest) {
  return {dest.name, option(cups, dest, "device-uri"),
          option(cups, dest, "printer-make-and-model")};
}

// Appends text and its NUL at cursor; the text's new place.
const char* place_text(char*& cursor, const char* text) {
  const std::size_t n = std::strlen(text) + 1;
  std::memcpy(cursor, text, n);
  const char* placed = cursor;
  cursor += n;
  return placed;
}

// The queue's PPD where a server on this machine keeps it (its configuration
// folder, CUPS_SERVERROOT for a private one): found by its name alone, as the
// server makes it readable by root and its own group only.
std::string local_ppd(const libcups& cups, const std::string& queue) {
  const char* server = cups.server();
  if (server == nullptr || (server[0] != '/' && ::strcasecmp(server, "localhost") != 0)) return {};
  const char* root = std::getenv("CUPS_SERVERROOT");
  const std::string path = std::string(root != nullptr && root[0] != '\0' ? root : "/etc/cups") +
                           "/ppd/" + queue + ".ppd";
  struct stat st;
  char target[PATH_MAX];
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
      ::realpath(path.c_str(), target) == nullptr)
    return {};
  return target;
}

}  // namespace

struct printer {
  std::string name;
  bool resolved = false;
  std::string driver_file;  // empty: the queue has no PPD
};

bool enumerate_printers(void* block, std::uint32_t size, std::uint32_t& needed,
                        std::uint32_t& count) {
  needed = 0;
  count = 0;
  const libcups* cups = libcups::get();
  if (cups == nullptr) {
    errno = ENOENT;
    return false;
  }
  const destinations dests(*cups);
  std::size_t bytes = 0;
  std::uint32_t printers = 0;
  for (int i = 0; i < dests.count(); ++i) {
    if (!is_local_printer(*cups, dests[i])) continue;
    const printer_names n = names_of(*cups, dests[i]);
    bytes += sizeof(printer_names) + std::strlen(n.name) + std::strlen(n.port) +
             std::strlen(n.driver) + 3;
    ++printers;
  }
  if (bytes > UINT32_MAX) {
    errno = EOVERFLOW;
    return false;
  }
  needed = static_cast<std::uint32_t>(bytes);
  if (size < needed || (block == nullptr && needed != 0)) {
    errno = ERANGE;
    return false;
  }
  auto* records = static_cast<printer_names*>(block);
  char* cursor = static_cast<char*>(block) + printers * sizeof(printer_names);
  for (int i = 0; i < dests.count(); ++i) {
    if (!is_local_printer(*cups, dests[i])) continue;
    const printer_names n = names_of(*cups, dests[i]);
    *records++ = {place_text(cursor, n.name), place_text(cursor, n.port),
                  place_text(cursor, n.driver)};
  }
  count = printers;
  return true;
}

printer_names printer_at(const void* block, std::uint32_t index) {
  return static_cast<const printer_names*>(block)[index];
}

printer* open_printer(const char* name) {
  const libcups* cups = libcups::get();
  cups_dest* dest =
      cups != nullptr && name != nullptr ? cups->get_named_dest(nullptr, name, nullptr) : nullptr;
  if (dest == nullptr) {
    errno = ENOENT;
    return nullptr;
  }
  cups->free_dests(1, dest);
  try {
    return new printer{name, false, std::string()};
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return nullptr;
  }
}

bool printer_driver(printer* p, void* block, std::uint32_t size, std::uint32_t& needed) {
  needed = 0;
  const libcups* cups = libcups::get();
  if (cups == nullptr || p == nullptr) return false;
  if (!p->resolved) {
    try {
      p->driver_file = local_ppd(*cups, p->name);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  if (!p->resolved && p->driver_file.empty()) {
    // Asked for a queue's PPD, a local server answers with a link to its own
    // file to whoever may read it, a copy otherwise; only its own file is the driver's.
    char copy[PATH_MAX] = "";
    time_t modified = 0;
    if (cups->get_ppd(nullptr, p->name.c_str(), &modified, copy, sizeof copy) == http_status_ok &&
        copy[0] != '\0') {
      struct stat st;
      char target[PATH_MAX];
      if (::lstat(copy, &st) == 0 && S_ISLNK(st.st_mode) && ::realpath(copy, target) != nullptr) {
        try {
          p->driver_file = target;
        } catch (const std::bad_alloc&) {
          ::unlink(copy);
          return false;
        }
      }
      ::unlink(copy);
    }
    p->resolved = true;
  }
  if (p->driver_file.empty()) {
    errno = ENOENT;
    return false;
  }
  needed = static_cast<std::uint32_t>(sizeof(driver_record) + p->driver_file.size() + 1);
  if (block == nullptr || size < needed) {
    errno = ERANGE;
    return false;
  }
  char* cursor = static_cast<char*>(block) + sizeof(driver_record);
  static_cast<driver_record*>(block)->path = place_text(cursor, p->driver_file.c_str());
  return true;
}

const char* driver_path(const void* block) {
  return static_cast<const driver_record*>(block)->path;
}

void close_printer(printer* p) { delete p; }

module* load_module(const char* path) {
  return static_cast<module*>(::dlopen(path, RTLD_NOW | RTLD_LOCAL));
}

void* module_export(module* m, const char* name) {
  void* entry = ::dlsym(m, name);
  if (entry == nullptr) return nullptr;
  // dlsym also looks in the libraries the module uses; only its own export counts.
  link_map* map = nullptr;
  Dl_info info{};
  if (::dlinfo(m, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || ::dladdr(entry, &info) == 0 ||
      info.dli_fname == nullptr || map->l_name == nullptr ||
      std::strcmp(info.dli_fname, map->l_name) != 0) {
    return nullptr;
  }
  return entry;
}

void unload_module(module* m) { ::dlclose(m); }

}  // namespace hostutil::os
