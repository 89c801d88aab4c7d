// The library's one boundary to the operating system. Subsystems speak to the
// system only through these calls; src/os/win32 and src/os/posix implement them,
// chosen by the build's source lists.
#pragma once

#include <cstdint>
#include <string>

namespace hostutil::os {

// ---- errors ---------------------------------------------------------------

// The calling thread's last system error (GetLastError on Windows, errno on POSIX).
std::uint32_t last_error();

// The system's message text for an error code, as the system words it.
// False when the system has no text of its own for the code.
bool error_text(std::uint32_t code, std::string& text);

// ---- time -----------------------------------------------------------------

// Pause the calling thread for the given number of milliseconds.
void pause_ms(std::uint32_t ms);

// ---- named semaphores -----------------------------------------------------

// A named counting semaphore shared with every process of the user that opens
// the same name. Opaque: a system handle on Windows, a mapped object on POSIX.
struct semaphore;

// Create the semaphore, or open it with whatever count it has when it exists.
// Null on failure.
semaphore* semaphore_open(const char* name, std::uint32_t initial, std::uint32_t maximum);

enum class wait_status { acquired, timed_out, failed };

// Take one count, waiting at most timeout_ms milliseconds.
wait_status semaphore_wait(semaphore* sem, std::uint32_t timeout_ms);

// Give one count back. False, and nothing changed, when that would pass the maximum.
bool semaphore_post(semaphore* sem);

// Close this handle; the object lives on while other handles to it are open.
bool semaphore_close(semaphore* sem);

// The semaphore calls as the library makes them: a table that tests may swap to
// inject failures or stand in for the system (a full table of 102,400 objects).
struct semaphore_calls {
  semaphore* (*open)(const char* name, std::uint32_t initial, std::uint32_t maximum);
  wait_status (*wait)(semaphore* sem, std::uint32_t timeout_ms);
  bool (*post)(semaphore* sem);
  bool (*close)(semaphore* sem);
  void (*pause)(std::uint32_t ms);  // between two attempts to enter
};
semaphore_calls& semaphore_syscalls();

}  // namespace hostutil::os
