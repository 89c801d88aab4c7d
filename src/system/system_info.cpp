// Small queries of the machine: system folder, computer and host names, the
// host's IPv4 address, the operating-system code, the display size and the
// double-byte language tests. Each asks the system once and shapes the answer.
#include <cstring>
#include <initializer_list>

#include "hostutil.h"
#include "os/system_calls.h"
#include "system/internal.h"

namespace hostutil::system {

namespace {

constexpr std::uint32_t host_buffer_size = 256;
constexpr std::uint32_t language_buffer_size = 16;

// 1 when the abbreviated language name is one of names; a language that cannot
// be read counts as a yes.
std::uint32_t language_is_one_of(std::initializer_list<const char*> names) {
  char name[language_buffer_size] = {};
  if (os::calls().language_name(name, sizeof name) <= 0) return 1;
  for (const char* n : names) {
    if (CompareNoCase(name, n) != 0) return 1;
  }
  return 0;
}

// The operating-system code of GetOSVer for a version record.
std::uint32_t decide_os_version(const os::version_record& record) {
  // On the 95/98/Me platform the high word holds the version: only the low
  // word numbers the build.
  const std::uint32_t build = record.build & 0xFFFFu;
  switch (record.platform_id) {
    case 0:
      return 0x01010000u;
    case 1: {
      // The builds of the 95/98/Me platform that have a code of their own.
      constexpr std::uint32_t codes[][2] = {{950, 0x02020001u},  {1111, 0x02020003u},
                                            {1212, 0x02020004u}, {1998, 0x02030005u},
                                            {2222, 0x02030006u}, {3000, 0x02030007u}};
      for (const auto& [number, code] : codes) {
        if (build == number) return code;
      }
      return 0x02000000u;
    }
    case 2:
      switch (build) {
        case 1381: {
          if (record.major == 3) return 0x03040000u;
          if (record.major != 4) return 0x03000000u;
          // The n of "Service Pack n".
          const char digit = record.service_pack[13];
          if (digit >= '1' && digit <= '6') {
            return 0x03050008u + static_cast<std::uint32_t>(digit - '1');
          }
          return 0x03050000u;
        }
        case 2195:
          return 0x03060000u;
        case 2600:
          return 0x03070000u;
        default:
          return 0x03000000u;
      }
    default:
      return 0;
  }
}

}  // namespace
}  // namespace hostutil::system

using namespace hostutil;

extern "C" {

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetSystemDirectoryEx(char* buffer, uint32_t bufferSize) {
  if (buffer == nullptr || bufferSize == 0) return 0;
  return os::calls().system_folder(buffer, bufferSize);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetComputerNameExEx(char* buffer, uint32_t* size) {
  if (buffer == nullptr || size == nullptr) return 0;
  std::memset(buffer, 0, *size);
  return os::calls().computer_name(buffer, size) ? 1 : 0;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetHostNameEx(char* buffer, uint32_t bufferSize) {
  if (buffer == nullptr) return 0;
  std::memset(buffer, 0, bufferSize);
  return os::calls().host_name(buffer, bufferSize) ? 1 : 0;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetIPAddress(char* buffer, uint32_t bufferSize) {
  if (buffer == nullptr) return 0;
  std::memset(buffer, 0, bufferSize);
  char host[system::host_buffer_size] = {};
  if (!os::calls().host_name(host, sizeof host)) return 0;
  char address[16] = {};
  // A host without an address, or an address that does not fit the caller's
  // buffer whole, leaves the buffer empty: the look-up ran all the same.
  if (os::calls().first_ipv4_address(host, address)) {
    const std::size_t length = std::strlen(address);
    if (length < bufferSize) std::memcpy(buffer, address, length);
  }
  return 1;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetOSVer(void) {
  os::version_record record{};
  if (!os::calls().version(record)) return 0;
  return system::decide_os_version(record);
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetDisplayWidth(void) {
  uint32_t width = 0, height = 0;
  os::calls().display_mode(width, height);
  return width;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetDisplayHeight(void) {
  uint32_t width = 0, height = 0;
  os::calls().display_mode(width, height);
  return height;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL GetDisplaySize(uint32_t* width, uint32_t* height) {
  if (width == nullptr || height == nullptr) return 0;
  *width = GetDisplayWidth();
  *height = GetDisplayHeight();
  return 1;
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL LanguageIs2Byte(void) {
  return system::language_is_one_of({"JPN", "CHN", "CHT", "KOR"});
}

HOSTUTIL_API uint32_t HOSTUTIL_CALL LanguageIsJapanese(void) {
  return system::language_is_one_of({"JPN"});
}

}  // extern "C"
