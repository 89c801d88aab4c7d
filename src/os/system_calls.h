// Every call the library makes to the operating system, in one table of the
// library's own terms. It starts out at the platform's implementation
// (src/os/win32 or src/os/posix); tests swap single entries to make a chosen
// call fail or to stand in for the system.
#pragma once

#include "os/clock.h"
#include "os/codepage.h"
#include "os/dialog.h"
#include "os/file.h"
#include "os/format.h"
#include "os/heap.h"
#include "os/os.h"
#include "os/printer.h"
#include "os/private_profile.h"
#include "os/sysinfo.h"

namespace hostutil::os {

struct system_calls {
  // errors, pauses and bounded formatting
  decltype(&os::last_error) last_error;
  decltype(&os::error_text) error_text;
  decltype(&os::pause_ms) pause_ms;
  decltype(&os::format_bounded) format_bounded;
  // named semaphores
  decltype(&os::semaphore_open) semaphore_open;
  decltype(&os::semaphore_wait) semaphore_wait;
  decltype(&os::semaphore_post) semaphore_post;
  decltype(&os::semaphore_close) semaphore_close;
  decltype(&os::semaphore_reuse) semaphore_reuse;
  decltype(&os::semaphore_sweep) semaphore_sweep;
  // the process heap, and the zero-filled global blocks
  decltype(&os::heap_allocate) heap_allocate;
  decltype(&os::heap_size) heap_size;
  decltype(&os::heap_scrub) heap_scrub;
  decltype(&os::heap_release) heap_release;
  decltype(&os::zeroed_block) zeroed_block;
  decltype(&os::free_zeroed_block) free_zeroed_block;
  // code pages and time
  decltype(&os::to_utf16) to_utf16;
  decltype(&os::from_utf16) from_utf16;
  decltype(&os::local_time) local_time;
  decltype(&os::calendar_to_ticks) calendar_to_ticks;
  decltype(&os::ticks_to_calendar) ticks_to_calendar;
  // files, folders and the search of a folder
  decltype(&os::file_open_read) file_open_read;
  decltype(&os::file_open_write) file_open_write;
  decltype(&os::file_size) file_size;
  decltype(&os::file_read) file_read;
  decltype(&os::file_write) file_write;
  decltype(&os::file_close) file_close;
  decltype(&os::file_delete) file_delete;
  decltype(&os::find_first) find_first;
  decltype(&os::find_next) find_next;
  decltype(&os::find_close) find_close;
  decltype(&os::set_attributes) set_attributes;
  decltype(&os::create_folder) create_folder;
  decltype(&os::drive_type) drive_type;
  decltype(&os::move) move;
  decltype(&os::program_path) program_path;
  decltype(&os::temp_folder) temp_folder;
  // machine queries
  decltype(&os::system_folder) system_folder;
  decltype(&os::computer_name) computer_name;
  decltype(&os::host_name) host_name;
  decltype(&os::first_ipv4_address) first_ipv4_address;
  decltype(&os::version) version;
  decltype(&os::display_mode) display_mode;
  decltype(&os::language_name) language_name;
  decltype(&os::administrators_access) administrators_access;
  // printers, capability files and address plug-ins
  decltype(&os::enumerate_printers) enumerate_printers;
  decltype(&os::printer_at) printer_at;
  decltype(&os::open_printer) open_printer;
  decltype(&os::printer_driver) printer_driver;
  decltype(&os::driver_path) driver_path;
  decltype(&os::close_printer) close_printer;
  decltype(&os::private_profile_string) private_profile_string;
  decltype(&os::load_module) load_module;
  decltype(&os::module_export) module_export;
  decltype(&os::unload_module) unload_module;
  // dialogs, help and the browser
  decltype(&os::open_file_dialog) open_file_dialog;
  decltype(&os::save_file_dialog) save_file_dialog;
  decltype(&os::browse_for_folder) browse_for_folder;
  decltype(&os::find_html_help) find_html_help;
  decltype(&os::html_help) html_help;
  decltype(&os::win_help) win_help;
  decltype(&os::open_url) open_url;
};

system_calls& calls();

// RAII for an open file; closes through the table.
class file_handle {
 public:
  explicit file_handle(file* f) : f_(f) {}
  ~file_handle() { close(); }
  file_handle(const file_handle&) = delete;
  file_handle& operator=(const file_handle&) = delete;
  file* get() const { return f_; }
  // Closes now; false when the close reported an error.
  bool close() {
    file* f = f_;
    f_ = nullptr;
    return f == nullptr || calls().file_close(f);
  }
  explicit operator bool() const { return f_ != nullptr; }

 private:
  file* f_;
};

// RAII for a search of a folder: the first match on construction, the next
// ones from next(); closes through the table.
class file_find {
 public:
  file_find(const char* pattern, hu_WIN32_FIND_DATAA& record)
      : search_(calls().find_first(pattern, record)), record_(record) {}
  ~file_find() {
    if (search_ != nullptr) calls().find_close(search_);
  }
  file_find(const file_find&) = delete;
  file_find& operator=(const file_find&) = delete;
  explicit operator bool() const { return search_ != nullptr; }
  bool next() { return search_ != nullptr && calls().find_next(search_, record_); }

 private:
  search* search_;
  hu_WIN32_FIND_DATAA& record_;
};

}  // namespace hostutil::os
