// A printer driver's address plug-in: answers the address HOSTUTIL_TEST_ADDRESSES
// ("printer=address;...") gives the printer, 0 for one unlisted or listed as "0".
// Built a second time without the GetIPAddress export.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#define PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

int32_t answer(const char* printer, char* buffer, uint32_t size) {
  const char* list = std::getenv("HOSTUTIL_TEST_ADDRESSES");
  if (printer == nullptr || buffer == nullptr || size == 0 || list == nullptr) return 0;
  const std::size_t name_length = std::strlen(printer);
  for (const char* entry = list; *entry != '\0';) {
    const char* end = std::strchr(entry, ';');
    if (end == nullptr) end = entry + std::strlen(entry);
    const char* equals = static_cast<const char*>(std::memchr(entry, '=', end - entry));
    if (equals != nullptr && static_cast<std::size_t>(equals - entry) == name_length &&
        std::memcmp(entry, printer, name_length) == 0) {
      const std::size_t n = static_cast<std::size_t>(end - equals - 1);
      if (n == 1 && equals[1] == '0') return 0;
      if (n >= size) return 0;
      std::memcpy(buffer, equals + 1, n);
      buffer[n] = '\0';
      return 1;
    }
    entry = *end == ';' ? end + 1 : end;
  }
  return 0;
}

}  // namespace

#if defined(HOSTUTIL_TEST_PLUGIN_WITHOUT_ADDRESS)
PLUGIN_EXPORT int32_t GetIPAddr(const char* printer, char* buffer, uint32_t size) {
  return answer(printer, buffer, size);
}
#else
PLUGIN_EXPORT int32_t GetIPAddress(const char* printer, char* buffer, uint32_t size) {
  return answer(printer, buffer, size);
}
#endif
