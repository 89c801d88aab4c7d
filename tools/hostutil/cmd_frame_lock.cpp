// hostutil error / lock / objects, and the tour's steps for system error texts
// and named semaphores.
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "common/process.h"
#include "host.h"
#include "os/named_objects.h"

namespace {

constexpr int lock_unavailable = 75;  // EX_TEMPFAIL, as flock(1) uses it

int print_error_text(uint32_t code) {
  char text[1024];
  const uint32_t n = GetLastErrorString(code, text, sizeof text);
  if (n == 0) {
    return host::fail(1, "hostutil: the system has no text for error " + std::to_string(code));
  }
  std::cout << text;
  if (text[std::char_traits<char>::length(text) - 1] != '\n') std::cout << "\n";
  return 0;
}

using hostutil::os::named_object;

std::string number_text(std::int64_t n, const char* unknown) {
  return n < 0 ? unknown : std::to_string(n);
}

// No handle at all holds it open (unknown counts as held).
bool stale(const named_object& o) { return o.handles == 0 && o.kept == 0; }

// A JSON string of an ANSI name: bytes past 0x7E as the code points of their value.
std::string json_text(const std::string& text) {
  std::string out = "\"";
  for (const unsigned char c : text) {
    if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

int list_objects(bool json, bool only_stale) {
  auto objects = hostutil::os::list_named_objects();
  std::erase_if(objects, [only_stale](const named_object& o) { return only_stale && !stale(o); });
  std::sort(objects.begin(), objects.end(),
            [](const named_object& a, const named_object& b) { return a.name < b.name; });
  if (json) {
    std::cout << "[";
    for (const auto& o : objects) {
      std::cout << (&o == objects.data() ? "\n" : ",\n") << "  {\"name\": " << json_text(o.name)
                << ", \"count\": " << number_text(o.count, "null")
                << ", \"maximum\": " << number_text(o.maximum, "null")
                << ", \"handles\": " << number_text(o.handles, "null") << ", \"kept\": " << o.kept
                << ", \"processes\": " << number_text(o.processes, "null")
                << ", \"stale\": " << (stale(o) ? "true" : "false")
                << ", \"where\": " << json_text(o.where) << "}";
    }
    std::cout << "\n]\n";
    return 0;
  }
  std::printf("%5s %7s %7s %5s %9s  %s\n", "COUNT", "MAXIMUM", "HANDLES", "KEPT", "PROCESSES",
              "NAME");
  for (const auto& o : objects) {
    std::printf("%5s %7s %7s %5lld %9s  %s\n", number_text(o.count, "?").c_str(),
                number_text(o.maximum, "?").c_str(), number_text(o.handles, "?").c_str(),
                static_cast<long long>(o.kept), number_text(o.processes, "?").c_str(),
                o.name.c_str());
  }
  return 0;
}

// Who holds the name, for the message of a lock not obtained: our own handle
// is one of the handles, and the lister never counts its own process.
std::string holders_of(const std::string& name) {
  for (const auto& o : hostutil::os::list_named_objects()) {
    if (o.name != name || o.handles < 1) continue;
    return std::to_string(o.handles - 1) + " other handle(s) in " +
           number_text(o.processes, "an unknown number of") + " other process(es) hold it open" +
           (o.count >= 0 ? ", its count " + std::to_string(o.count) : std::string()) +
           " (see \"hostutil objects\")";
  }
  return "nobody else can be seen holding it";
}

int hold_and_run(const std::string& name, uint32_t retries, const std::vector<std::string>& cmd) {
  SemaphoreControlBegin();
  if (SemaphoreCreate(name.c_str(), 0) == 0) {
    return host::fail(1, "hostutil lock: cannot create the semaphore \"" + name + "\"");
  }
  if (SemaphoreEntry(name.c_str(), 0, retries) == 0) {
    // Giving the table up would wait for the holder; the handle closes as we exit.
    return host::fail(lock_unavailable,
                      "hostutil lock: \"" + name + "\" is held elsewhere; gave up after " +
                          std::to_string(retries) + " attempts: " + holders_of(name));
  }
  int status = hostutil::tools::process(cmd).wait();
  if (status < 0) status = host::fail(127, "hostutil lock: cannot run " + cmd[0]);
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
  static double timeout = -1;
  auto* retry_option =
      lock->add_option("--retries", retries,
                       "attempts, 500 ms apart, before giving up (0 = wait for ever)")
          ->capture_default_str();
  lock->add_option("--timeout", timeout, "give up after about SECONDS (in place of --retries)")
      ->check(CLI::NonNegativeNumber)
      ->excludes(retry_option);
  lock->add_option("COMMAND", cmd, "command and its arguments, after --")->required();
  host::runs(lock, [] {
    // One attempt, then one more every 500 ms; never 0, which would wait for ever.
    if (timeout >= 0) retries = static_cast<uint32_t>(std::min(timeout * 2, 4e9)) + 1;
    return hold_and_run(name, retries, cmd);
  });

  auto* objects = app.add_subcommand(
      "objects", "List this user's named semaphores: count, maximum, who holds them open");
  static bool json = false, only_stale = false;
  objects->add_flag("--json", json, "one JSON array, for scripts");
  objects->add_flag("--stale", only_stale, "only those no process holds open any more");
  objects->footer(
      "A count of 1 is free, 0 taken. HANDLES and PROCESSES hold the object open (the\n"
      "handles of a program's semaphore table); KEPT handles are closed ones a process\n"
      "keeps for reuse, which hold nothing. '?' is what the system cannot tell.\n\n"
      "Count 0 and no live holder: the process that took the name was killed before it\n"
      "gave it back. Where HANDLES is 0 (--stale) nothing waits on it: the next program\n"
      "to open the name starts it afresh at 1, the next program of the family to start\n"
      "removes it, and its file (\"where\" in --json) may be deleted by hand. Where\n"
      "handles are still open, their processes wait for a count that nobody will give\n"
      "back: end those processes; the name starts afresh once the last has let go.");
  host::runs(objects, [] { return list_objects(json, only_stale); });
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
       const std::vector<std::string> probe{t.self, "lock", name,    "--timeout", "0.5",
                                            "--",   t.self, "error", "0"};
       t.say("a second process runs \"hostutil lock NAME --timeout 0.5 -- hostutil error 0\":");
       const auto kept_out = hostutil::tools::run_captured(probe);
       t.say("it says: " + host::trimmed(kept_out.output));
       ok &= t.check(
           kept_out.status == lock_unavailable &&
               kept_out.output.find("after 2 attempts: 1 other handle") != std::string::npos,
           "it is kept out, and sees our one handle (status " + std::to_string(kept_out.status) +
               ")");
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
