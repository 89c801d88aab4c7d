// hostutil error / hostutil lock, and the tour's steps for system error texts
// and named semaphores.
#include <iostream>

#include "common/process.h"
#include "host.h"

namespace {

constexpr int lock_unavailable = 75;  // EX_TEMPFAIL, as flock(1) uses it

int print_error_text(uint32_t code) {
  char text[1024];
  const uint32_t n = GetLastErrorString(code, text, sizeof text);
  if (n == 0) {
    std::cerr << "hostutil: the system has no text for error " << code << "\n";
    return 1;
  }
  std::cout << text;
  if (text[std::char_traits<char>::length(text) - 1] != '\n') std::cout << "\n";
  return 0;
}

int hold_and_run(const std::string& name, uint32_t retries, const std::vector<std::string>& cmd) {
  SemaphoreControlBegin();
  if (SemaphoreCreate(name.c_str(), 0) == 0) {
    std::cerr << "hostutil lock: cannot create the semaphore \"" << name << "\"\n";
    return 1;
  }
  if (SemaphoreEntry(name.c_str(), 0, retries) == 0) {
    // Giving the table up would wait for the holder; the handle closes as we exit.
    std::cerr << "hostutil lock: \"" << name << "\" is held elsewhere; gave up after " << retries
              << " attempts\n";
    return lock_unavailable;
  }
  int status = hostutil::tools::process(cmd).wait();
  if (status < 0) {
    std::cerr << "hostutil lock: cannot run " << cmd[0] << "\n";
    status = 127;
  }
  SemaphoreLeave(name.c_str(), 0);
  SemaphoreRelease(name.c_str(), 0);
  SemaphoreControlEnd();
  return status;
}

const bool commands = host::add_commands([](CLI::App& app) {
  auto* error = app.add_subcommand("error", "Print the system's text for an error code");
  static uint32_t code = 0;
  error->add_option("CODE", code, "system error code")->required();
  host::runs(error, [] { return print_error_text(code); });

  auto* lock = app.add_subcommand(
      "lock", "Run COMMAND while holding the named semaphore NAME (like flock(1))");
  static std::string name;
  static uint32_t retries = 60;
  static std::vector<std::string> cmd;
  lock->add_option("NAME", name, "semaphore name shared by the family's processes")->required();
  lock->add_option("--retries", retries,
                   "attempts, 500 ms apart, before giving up (0 = wait for ever)")
      ->capture_default_str();
  lock->add_option("COMMAND", cmd, "command and its arguments, after --")->required();
  host::runs(lock, [] { return hold_and_run(name, retries, cmd); });
});

const bool error_step = host::add_tour_step(
    {10, "System error texts", [](host::tour_context& t) {
       char text[512];
       const uint32_t n = GetLastErrorString(2, text, sizeof text);
       t.say("error 2 reads \"" + host::trimmed(text) + "\"");
       char small[5];
       const uint32_t cut = GetLastErrorString(2, small, sizeof small);
       t.say("into a 5-byte buffer: \"" + std::string(small) + "\", result " + std::to_string(cut));
       return t.check(n > 0 && n < sizeof text, "the system has a text for error 2") &
              t.check(cut == 5 && std::string(small).size() == 4,
                      "a short buffer is cut, NUL-ended");
     }});

const bool lock_step = host::add_tour_step(
    {20, "Named semaphores across processes", [](host::tour_context& t) {
       const std::string name = "hostutil-tour-" + std::to_string(reinterpret_cast<uintptr_t>(&t));
       SemaphoreControlBegin();
       bool ok = t.check(SemaphoreCreate(name.c_str(), 0) == 1, "created \"" + name + "\"");
       ok &= t.check(SemaphoreEntry(name.c_str(), 0, 1) == 1, "this process holds it");
       const std::vector<std::string> probe{t.self, "lock", name,    "--retries", "2",
                                            "--",   t.self, "error", "0"};
       t.say("a second process runs \"hostutil lock NAME --retries 2 -- hostutil error 0\":");
       const auto kept_out = hostutil::tools::run_captured(probe);
       t.say("it says: " + host::trimmed(kept_out.output));
       ok &= t.check(kept_out.status == lock_unavailable,
                     "it is kept out (status " + std::to_string(kept_out.status) + ")");
       SemaphoreLeave(name.c_str(), 0);
       const auto let_in = hostutil::tools::run_captured(probe);
       char success[512];
       GetLastErrorString(0, success, sizeof success);
       t.say("after we leave, it runs its command, which prints \"" + host::trimmed(let_in.output) +
             "\"");
       ok &= t.check(
           let_in.status == 0 && host::trimmed(let_in.output) == host::trimmed(success),
           "it got in and ran \"hostutil error 0\" (status " + std::to_string(let_in.status) + ")");
       SemaphoreRelease(name.c_str(), 0);
       ok &= t.check(SemaphoreIsExist(name.c_str(), 0) == 0, "released from the table");
       ok &= t.check(IncrementValue(41) == 42, "IncrementValue(41) under the value semaphore");
       SemaphoreControlEnd();
       return ok;
     }});

}  // namespace
