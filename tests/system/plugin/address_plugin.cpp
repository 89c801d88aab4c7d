// A printer driver's address plug-in: answers the address HOSTUTIL_TEST_ADDRESSES
// ("printer=address;...") gives the printer, 0 for one unlisted or listed as "0".
// Built a second time with its export under another name (PLUGIN_ANSWER).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(_WIN32)
#define PLUGIN_EXPORT extern "C" __declspec(dllexport)
#else
#define PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif
#ifndef PLUGIN_ANSWER
#define PLUGIN_ANSWER GetIPAddress
#endif

PLUGIN_EXPORT int32_t PLUGIN_ANSWER(const char* printer, char* buffer, uint32_t size) {
  const char* list = std::getenv("HOSTUTIL_TEST_ADDRESSES");
  if (printer == nullptr || buffer == nullptr || size == 0 || list == nullptr) return 0;
  const std::string entries = std::string(";") + list + ";", key = std::string(";") + printer + "=";
  const std::size_t at = entries.find(key), from = at + key.size();
  if (at == std::string::npos) return 0;
  const std::string address = entries.substr(from, entries.find(';', from) - from);
  if (address == "0" || address.size() >= size) return 0;
  std::memcpy(buffer, address.c_str(), address.size() + 1);
  return 1;
}
