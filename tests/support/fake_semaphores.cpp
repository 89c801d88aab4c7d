// The in-memory semaphore stand-in. Not thread-safe: single-threaded tests only.
#include "support/fake_semaphores.h"

#include "hostutil.h"

namespace hostutil::test {

namespace {

const std::string& name_of(os::semaphore* s) { return *reinterpret_cast<std::string*>(s); }

}  // namespace

fake_semaphores::fake_semaphores()
    : open_([this](const char* name, std::uint32_t initial, std::uint32_t) -> os::semaphore* {
        if (refuse_open) return nullptr;
        counts.try_emplace(name, initial);
        handles.push_back(std::make_unique<std::string>(name));
        return reinterpret_cast<os::semaphore*>(handles.back().get());
      }),
      wait_([this](os::semaphore* s, std::uint32_t) {
        auto& c = counts[name_of(s)];
        if (c == 0) return os::wait_status::timed_out;
        --c;
        return os::wait_status::acquired;
      }),
      post_([this](os::semaphore* s) {
        auto& c = counts[name_of(s)];
        if (refuse_post || c >= 2) return false;
        ++c;
        return true;
      }),
      close_([this](os::semaphore* s) {
        ++closed;
        return s != nullptr;
      }),
      pause_([this](std::uint32_t ms) { pauses.push_back(ms); }) {}

fake_semaphores::~fake_semaphores() {
  // The table must not outlive the stand-in objects it holds.
  refuse_post = false;
  SemaphoreControlEnd();
}

}  // namespace hostutil::test
