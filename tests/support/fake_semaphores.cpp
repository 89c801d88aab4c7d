// The in-memory semaphore stand-in. Not thread-safe: single-threaded tests only.
#include "support/fake_semaphores.h"

#include <memory>

#include "hostutil.h"

namespace hostutil::test {

namespace {

fake_semaphores* g_fake = nullptr;

const std::string& name_of(os::semaphore* s) { return *reinterpret_cast<std::string*>(s); }

os::semaphore* fake_open(const char* name, std::uint32_t initial, std::uint32_t) {
  if (g_fake->refuse_open) return nullptr;
  ++g_fake->opened;
  g_fake->counts.try_emplace(name, initial);
  g_fake->handles.push_back(std::make_unique<std::string>(name));
  return reinterpret_cast<os::semaphore*>(g_fake->handles.back().get());
}

os::wait_status fake_wait(os::semaphore* s, std::uint32_t) {
  auto& c = g_fake->counts[name_of(s)];
  if (c == 0) return os::wait_status::timed_out;
  --c;
  return os::wait_status::acquired;
}

bool fake_post(os::semaphore* s) {
  auto& c = g_fake->counts[name_of(s)];
  if (g_fake->refuse_post || c >= 2) return false;
  ++c;
  return true;
}

void fake_pause(std::uint32_t ms) { g_fake->pauses.push_back(ms); }

bool fake_close(os::semaphore* s) {
  ++g_fake->closed;
  return s != nullptr;
}

}  // namespace

fake_semaphores::fake_semaphores() : saved_(os::semaphore_syscalls()) {
  g_fake = this;
  os::semaphore_syscalls() = {fake_open, fake_wait, fake_post, fake_close, fake_pause};
}

fake_semaphores::~fake_semaphores() {
  // The table must not outlive the stand-in objects it holds.
  refuse_post = false;
  SemaphoreControlEnd();
  os::semaphore_syscalls() = saved_;
  g_fake = nullptr;
}

}  // namespace hostutil::test
