// Failure injection for the file facility: swaps the call table so that the
// Nth call of one kind fails, or stands in for a call (a program path, a drive
// type), and puts the system's calls back when it goes out of scope.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "os/file.h"

namespace hostutil::test {

enum class file_call {
  open_read,
  open_write,
  size,
  read,
  write,
  close,
  remove,
  find_first,
  set_attributes,
  create_folder,
  drive_type,
  move,
  program_path,
  temp_folder
};

// Restores the table it found when it goes.
class file_calls_guard {
 public:
  file_calls_guard() : saved_(os::file_syscalls()) {}
  ~file_calls_guard() { os::file_syscalls() = saved_; }
  file_calls_guard(const file_calls_guard&) = delete;
  file_calls_guard& operator=(const file_calls_guard&) = delete;

 private:
  os::file_calls saved_;
};

// The nth call (from 1) of one kind fails as the system's would; 0 = none
// fails, only counted. Calls of the other kinds pass through.
class file_fault : file_calls_guard {
 public:
  file_fault(file_call which, int nth) {
    real() = os::file_syscalls();
    which_() = which;
    nth_() = nth;
    seen_() = 0;
    auto& t = os::file_syscalls();
    t.open_read = [](const char* p) {
      return hit(file_call::open_read) ? nullptr : real().open_read(p);
    };
    t.open_write = [](const char* p) {
      return hit(file_call::open_write) ? nullptr : real().open_write(p);
    };
    t.size = [](os::file* f, std::uint64_t& n) {
      return !hit(file_call::size) && real().size(f, n);
    };
    t.read = [](os::file* f, void* b, std::uint32_t n, std::uint32_t& done) {
      done = 0;
      return !hit(file_call::read) && real().read(f, b, n, done);
    };
    t.write = [](os::file* f, const void* d, std::uint32_t n, std::uint32_t& done) {
      done = 0;
      return !hit(file_call::write) && real().write(f, d, n, done);
    };
    // A failed close still gives the handle back, as on both systems.
    t.close = [](os::file* f) { return real().close(f) && !hit(file_call::close); };
    t.remove = [](const char* p) { return !hit(file_call::remove) && real().remove(p); };
    t.find_first = [](const char* p, hu_WIN32_FIND_DATAA* r) {
      return !hit(file_call::find_first) && real().find_first(p, r);
    };
    t.set_attributes = [](const char* p, std::uint32_t a) {
      return !hit(file_call::set_attributes) && real().set_attributes(p, a);
    };
    t.create_folder = [](const char* p) {
      return hit(file_call::create_folder) ? os::folder_result::failed : real().create_folder(p);
    };
    t.drive_type = [](const char* p) -> std::uint32_t {
      return hit(file_call::drive_type) ? 1 : real().drive_type(p);
    };
    t.move = [](const char* s, const char* d) {
      return !hit(file_call::move) && real().move(s, d);
    };
    t.program_path = [](char* b, std::uint32_t n) -> std::uint32_t {
      return hit(file_call::program_path) ? 0 : real().program_path(b, n);
    };
    t.temp_folder = [](char* b, std::uint32_t n) -> std::uint32_t {
      return hit(file_call::temp_folder) ? 0 : real().temp_folder(b, n);
    };
  }
  // Calls of the chosen kind so far.
  int seen() const { return seen_(); }

 private:
  static os::file_calls& real() {
    static os::file_calls r;
    return r;
  }
  static file_call& which_() {
    static file_call w;
    return w;
  }
  static int& nth_() {
    static int n;
    return n;
  }
  static int& seen_() {
    static int s;
    return s;
  }
  static bool hit(file_call kind) { return kind == which_() && ++seen_() == nth_(); }
};

// The running program seems to be the given path (for GetFilePath and Trace).
class fake_program_path : file_calls_guard {
 public:
  explicit fake_program_path(const std::string& path) {
    text() = path;
    os::file_syscalls().program_path = [](char* buffer, std::uint32_t size) -> std::uint32_t {
      const std::string& p = text();
      if (size == 0) return 0;
      if (p.size() < size) {
        std::memcpy(buffer, p.c_str(), p.size() + 1);
        return static_cast<std::uint32_t>(p.size());
      }
      std::memcpy(buffer, p.data(), size - 1);
      buffer[size - 1] = '\0';
      return size;
    };
  }

 private:
  static std::string& text() {
    static std::string t;
    return t;
  }
};

// Every path seems to lie on a drive of the given type.
class fake_drive_type : file_calls_guard {
 public:
  explicit fake_drive_type(std::uint32_t type) {
    value() = type;
    os::file_syscalls().drive_type = [](const char*) { return value(); };
  }

 private:
  static std::uint32_t& value() {
    static std::uint32_t v;
    return v;
  }
};

}  // namespace hostutil::test
