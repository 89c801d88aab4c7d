// Named semaphores on Windows: the system's own named semaphore objects.
#include <windows.h>

#include "os/os.h"

namespace hostutil::os {

namespace {
HANDLE as_handle(semaphore* sem) { return reinterpret_cast<HANDLE>(sem); }
}  // namespace

semaphore* semaphore_open(const char* name, std::uint32_t initial, std::uint32_t maximum) {
  HANDLE h =
      CreateSemaphoreA(nullptr, static_cast<LONG>(initial), static_cast<LONG>(maximum), name);
  return reinterpret_cast<semaphore*>(h);
}

wait_status semaphore_wait(semaphore* sem, std::uint32_t timeout_ms) {
  switch (WaitForSingleObject(as_handle(sem), timeout_ms)) {
    case WAIT_OBJECT_0:
      return wait_status::acquired;
    case WAIT_TIMEOUT:
      return wait_status::timed_out;
    default:
      return wait_status::failed;
  }
}

bool semaphore_post(semaphore* sem) { return ReleaseSemaphore(as_handle(sem), 1, nullptr) != 0; }

bool semaphore_close(semaphore* sem) { return CloseHandle(as_handle(sem)) != 0; }

// The system's own objects cost little to open and close: nothing is kept.
void semaphore_reuse(bool) {}

// The system's objects die with their last handle, whoever held them.
void semaphore_sweep() {}

}  // namespace hostutil::os
