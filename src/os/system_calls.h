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

// The calls, once: the table below and its initial values are made from this list.
#define HOSTUTIL_SYSTEM_CALLS(X)                            \
  /* errors, pauses and bounded formatting */               \
  X(last_error)                                             \
  X(error_text)                                             \
  X(pause_ms)                                               \
  X(format_bounded)                                         \
  /* named semaphores */                                    \
  X(semaphore_open)                                         \
  X(semaphore_wait)                                         \
  X(semaphore_post)                                         \
  X(semaphore_close)                                        \
  X(semaphore_reuse)                                        \
  X(semaphore_sweep)                                        \
  /* the process heap, and the zero-filled global blocks */ \
  X(heap_allocate)                                          \
  X(heap_size)                                              \
  X(heap_scrub)                                             \
  X(heap_release)                                           \
  X(zeroed_block)                                           \
  X(free_zeroed_block)                                      \
  /* code pages and time */                                 \
  X(to_utf16)                                               \
  X(from_utf16)                                             \
  X(local_time)                                             \
  X(calendar_to_ticks)                                      \
  X(ticks_to_calendar)                                      \
  /* files, folders and the search of a folder */           \
  X(file_open_read)                                         \
  X(file_open_write)                                        \
  X(file_size)                                              \
  X(file_read)                                              \
  X(file_write)                                             \
  X(file_close)                                             \
  X(file_delete)                                            \
  X(find_first)                                             \
  X(find_next)                                              \
  X(find_close)                                             \
  X(set_attributes)                                         \
  X(create_folder)                                          \
  X(drive_type)                                             \
  X(move)                                                   \
  X(program_path)                                           \
  X(temp_folder)                                            \
  /* machine queries */                                     \
  X(system_folder)                                          \
  X(computer_name)                                          \
  X(host_name)                                              \
  X(first_ipv4_address)                                     \
  X(version)                                                \
  X(display_mode)                                           \
  X(language_name)                                          \
  X(administrators_access)                                  \
  /* printers, capability files and address plug-ins */     \
  X(enumerate_printers)                                     \
  X(printer_at)                                             \
  X(open_printer)                                           \
  X(printer_driver)                                         \
  X(driver_path)                                            \
  X(close_printer)                                          \
  X(private_profile_string)                                 \
  X(load_module)                                            \
  X(module_export)                                          \
  X(unload_module)                                          \
  /* dialogs, help and the browser */                       \
  X(open_file_dialog)                                       \
  X(save_file_dialog)                                       \
  X(browse_for_folder)                                      \
  X(find_html_help)                                         \
  X(html_help)                                              \
  X(win_help)                                               \
  X(open_url)

struct system_calls {
#define HOSTUTIL_SYSTEM_CALL_ENTRY(name) decltype(&os::name) name;
  HOSTUTIL_SYSTEM_CALLS(HOSTUTIL_SYSTEM_CALL_ENTRY)
#undef HOSTUTIL_SYSTEM_CALL_ENTRY
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
