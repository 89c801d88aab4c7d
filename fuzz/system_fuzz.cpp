// The system subsystem and the shared objects on any input: port names by
// GetPortKind against the rules written out plainly, and the printer search with
// them; the machine's names and the system's texts into buffers of any size; the
// trace log against its appending rule; semaphores, guarded values and registered
// blocks under any name and size. Every output buffer is fenced by canaries.

#include "fuzz_support.h"

namespace {

// Four dot-separated parts of up to three digits, each at most 255 (an empty
// part is 0), and at most one dot after the fourth.
bool dotted_address(const std::string& name) {
  std::size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    const std::size_t end = std::min(name.find('.', at), name.size());
    if (end - at > 3 || name.find_first_not_of("0123456789", at) < end ||
        std::atoi(name.substr(at, end - at).c_str()) > 255 || (part < 3 && end == name.size()))
      return false;
    at = end + 1;
  }
  return at >= name.size();  // the end, or one dot that ends the name
}

// The first of "usb" and "lpt" in any case, else a dotted address.
uint32_t port_kind(const std::string& name) {
  const std::string folded = fuzz::folded(name);
  const std::size_t usb = folded.find("usb"), lpt = folded.find("lpt");
  if (usb != lpt) return usb < lpt ? 2 : 3;
  return dotted_address(name) ? 1 : 0;
}

void printers(const std::string& port, const std::string& pattern, uint32_t sizes) {
  check(GetPortKind(port.c_str()) == port_kind(port));
  fuzz::fenced name(sizes % 64);
  fuzz::fenced full(sizes / 64 % 64);
  const uint32_t found = GetLogicalPrinterAndPortName(
      port.c_str(), pattern.c_str(), "S", name.data(), name.size(), full.data(), full.size());
  check(found == 0 || (name.cleared_text() && full.cleared_text()));
  check(DeviceDriverIsExist(port.c_str(), pattern.c_str(), "S") == found);
}

// The system's object names: a backslash may only end a "Global" or "Local"
// prefix, and something must follow the prefix.
bool object_name(const std::string& name) {
  const std::size_t rest = name.starts_with("Global\\") ? 7 : name.starts_with("Local\\") ? 6 : 0;
  return name.find('\\', rest) == std::string::npos && (rest == 0 || rest < name.size());
}

// The names the library itself shares with every process that loads it: its two
// locks, and the 16 hex digits of a registered block. A give-back under one of
// them would let two processes into the registry at once, so they are not used.
bool library_name(const std::string& name) {
  return name == "HEAP_SEMAPHORE_CONTROL" || name == "VALUE_OP_SEMAPHORE_CONTROL" ||
         (name.size() == 16 && name.find_first_not_of("0123456789abcdef") == std::string::npos);
}

// A semaphore by name or number, a guarded value and a registered block.
void shared(std::string name, uint32_t number, uint32_t size) {
  if (library_name(name)) name += '_';
  const char* n = name.empty() && (number & 1) ? nullptr : name.c_str();
  const uint32_t made = n == nullptr || name.empty() || object_name(name);
  check(SemaphoreCreate(n, number) == made && SemaphoreIsExist(n, number) == made);
  check(SemaphoreEntry(n, number, 1) == 1 && SemaphoreIsEntry(n, number) == made);
  SemaphoreLeave(n, number);
  check(SemaphoreIsEntry(n, number) == 0);
  SemaphoreRelease(n, number);
  check(SemaphoreIsExist(n, number) == 0);
  check(IncrementValue(number) == number + 1 && DecrementValue(number) == number - 1);
  check(SetValue(number, size) == size && ResetValue(number) == 0);
  auto* block = static_cast<unsigned char*>(
      (number & 2 ? HeapAllocExEx : GlobalAllocEx)(number & HOSTUTIL_ZEROINIT, size));
  check((block != nullptr) == (size != 0));
  if (block == nullptr) return;
  if (number & HOSTUTIL_ZEROINIT) check(std::count(block, block + size, 0) == size);
  std::memset(block, 0x5A, size);  // all of it is the caller's
  check(GlobalAreaEntry(block) == 1 && GlobalAreaIsEntry(block) == 1);
  GlobalAreaLeave(block);
  check(GlobalAreaIsEntry(block) == 0);
  check(number & 4 ? HeapFreeExEx(block) == 1
                   : (number & 8 ? GlobalFreeEx : GlobalFreeExEx)(block) == 0);
}

// The machine's names and the system's texts, into buffers of any size.
void machine(uint32_t number) {
  fuzz::fenced folder(number % 80), name(number / 80 % 80), host(number / 6400 % 80);
  fuzz::fenced address(16 + number / 512000 % 48), message(number >> 24), temp(number % 300);
  const uint32_t need = GetSystemDirectoryEx(folder.data(), folder.size());
  check(need == 0 || need >= folder.size() || strnlen(folder.data(), folder.size()) == need);
  uint32_t size = name.size();
  if (GetComputerNameExEx(name.data(), &size) == 1) {
    check(name.cleared_text() && size == std::strlen(name.data()));
  }
  check(GetHostNameEx(host.data(), host.size()) == 0 || host.cleared_text());
  check(GetIPAddress(address.data(), address.size()) == 0 ||
        (address.cleared_text() && std::strlen(address.data()) <= 15));
  check(GetLastErrorString(number, message.data(), message.size()) <= message.size());
  check(GetLastErrorStringEx(message.data(), message.size()) <= message.size());
  check(GetTempDirPath(temp.data(), temp.size()) <= 1);
}

// One trace record against the log before it, by the appending rule; the log
// found in place is the one left by the inputs before, or one of this input.
void trace(const std::string& text, const std::string& found, uint32_t value) {
  char here[300] = {};
  GetFilePath("trace.txt", here, sizeof here);
  if (value & 2) fuzz::put(here, found);
  std::string log = fuzz::get(here);
  if (log.size() > 20480) log.clear();
  log.resize(20480, '\0');
  // Behind the last line end before the first NUL (npos + 1 is 0).
  std::size_t at = log.rfind('\n', log.find('\0')) + 1;
  if (at + 128 > 20480) {
    log.assign(20480, '\0');
    at = 0;
  }
  char stamp[16] = {};
  std::snprintf(stamp, sizeof stamp, " : %08x <<", value);
  // The message cut or padded to 86 bytes; a missing one is all spaces.
  const std::string message = value & 1 ? text : "";
  const std::string record = (message + std::string(86, ' ')).substr(0, 86) + stamp;
  const auto copy = fuzz::exact(text);
  check(Trace(value & 1 ? copy.data() : nullptr, value) == 20480);
  const std::string after = fuzz::get(here);
  check(after.size() == 20480 && after.compare(at, record.size(), record) == 0 &&
        after.compare(at + 123, 4, ">>\r\n") == 0);
  check(after == log.replace(at, 127, after, at, 127));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::input in{data, size};
  const uint32_t pick = in.byte();
  const uint32_t number = in.u32();
  const std::string text = in.rest();
  // The text up to its first NUL, and what lies behind that NUL.
  const std::size_t nul = std::min(text.find('\0'), text.size());
  const std::string first = text.substr(0, nul),
                    second = text.substr(std::min(nul + 1, text.size()));
  if (pick % 4 == 0) {
    printers(first, second, number);
  } else if (pick % 8 == 1) {
    machine(number);
  } else if (pick % 8 == 5) {
    trace(first, second, number);
  } else {
    shared(first.substr(0, 60), number, number >> 8 & 0xFFF);
  }
  return 0;
}
