// The library's one boundary to the operating system: errors, pauses and named
// semaphores. src/os/win32 and src/os/posix implement these and the other
// facilities' calls, chosen by the build's source lists; subsystems reach them
// only through the table of system_calls.h.
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

// Reuse of closed named semaphores within the process. While it is on, a closed
// handle is kept (a few names, the oldest given up first) so that opening its
// name again costs next to nothing; the object still dies with the last open
// handle in any process, kept ones not counting. Turning it off closes every
// kept handle for good. The semaphore table has it on while it is set up.
void semaphore_reuse(bool on);

// Clears away this user's objects that no process holds open any more, which a
// killed holder leaves behind where objects outlive their last handle.
void semaphore_sweep();

}  // namespace hostutil::os
