// The port kinds, and the printer search against a stand-in system for the
// failures a spooler will not make and for what it takes and gives back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "hostutil.h"
#include "support/stand_in.h"

namespace {

namespace os = hostutil::os;
using calls = os::system_calls;
using hostutil::test::stand_in;

// The kinds against a plain model of the rules: the fuzz target; here the
// names a printer's port really has, and one holding both words.
TEST(PortKind, UsbAndLptAnywhereInAnyCaseOrADottedAddress) {
  std::string kinds;
  for (const char* name : {"USB001", "WSD-usb-printer", "LPT1:", "LPTUSB", "192.168.0.10", "COM1",
                           "FILE:", "IP_192.168.0.10", "", (const char*)nullptr})
    kinds += std::to_string(GetPortKind(name));
  EXPECT_EQ(kinds, "2233100000");
}

// Two printers whose drivers' files lie in drivers/x64/3; every capability
// file names the section S-<driver> with the support code CODE, and its plug-in
// answers 10.0.0.2 for P2 and 10.0.0.1 for any other.
const std::string folder =
    std::string("drivers") + os::path_separator() + "x64" + os::path_separator() + "3";

struct stand_in_state {
  std::vector<os::printer_names> printers = {{"P1", "USB001", "Driver One"},
                                             {"P2", "USB002,LPT1:", "Driver Two"}};
  bool list_fails = false;
  std::string driver = folder + os::path_separator() + "driver.file";         // "": no record
  int listings, opened, closed, searches, searches_closed, loaded, unloaded;  // zero at first
  std::string last_pattern, last_load;
  std::uint32_t plugin_size;
} state;

int32_t HOSTUTIL_CALL plugin(const char* printer, char* buffer, uint32_t size) {
  state.plugin_size = size;
  std::strcpy(buffer, std::strcmp(printer, "P2") == 0 ? "10.0.0.2" : "10.0.0.1");
  return 1;
}

class PrinterStandIn : public testing::Test {
 protected:
  void SetUp() override {
    state = stand_in_state{};
    SemaphoreControlBegin();
  }
  void TearDown() override {
    GlobalAreaLumpFree();
    SemaphoreControlEnd();
  }
  // The answer and both 16-byte buffers whole; they start as x's.
  static std::string search(const char* port, const char* pattern, const char* code,
                            std::uint32_t name_size = 16, std::uint32_t port_size = 16) {
    std::string name(16, 'x'), ports(16, 'x');
    const std::uint32_t found =
        GetLogicalPrinterAndPortName(port, pattern, code, name_size ? name.data() : nullptr,
                                     name_size, port_size ? ports.data() : nullptr, port_size);
    return std::to_string(found) + " " + name + ports;
  }

 private:
  // clang-format off
  stand_in<&calls::enumerate_printers> list_{[](void* block, std::uint32_t size, std::uint32_t& needed, std::uint32_t& count) {
    ++state.listings, count = 0;
    needed = static_cast<std::uint32_t>(state.printers.size() * sizeof(os::printer_names));
    if (state.list_fails || block == nullptr || size < needed) return false;
    std::memcpy(block, state.printers.data(), needed);
    return count = static_cast<std::uint32_t>(state.printers.size()), true;
  }};
  stand_in<&calls::printer_at> at_{[](const void* block, std::uint32_t i) { return static_cast<const os::printer_names*>(block)[i]; }};
  stand_in<&calls::open_printer> open_{[](const char* name) { return ++state.opened, reinterpret_cast<os::printer*>(const_cast<char*>(name)); }};
  stand_in<&calls::printer_driver> driver_{[](os::printer*, void* block, std::uint32_t size, std::uint32_t& needed) {
    const char* path = state.driver.c_str();
    needed = state.driver.empty() ? 0 : sizeof path;
    return needed != 0 && block != nullptr && size >= needed && std::memcpy(block, &path, needed);
  }};
  stand_in<&calls::driver_path> driver_path_{[](const void* block) { return *static_cast<const char* const*>(block); }};
  stand_in<&calls::close_printer> close_{[](os::printer*) { ++state.closed; }};
  stand_in<&calls::private_profile_string> profile_{[](const char* section, const char* key, const char*, char* buffer, std::uint32_t size, const char*) {
    const std::string value = std::strcmp(section, "Capability") == 0 ? std::string("S-") + key
                              : std::strcmp(key, "ZentorraSupportCode") == 0 ? "CODE"
                              : std::strcmp(key, "GetIPDll") == 0 ? "plugin.module" : "NONE";
    std::strncpy(buffer, value.c_str(), size - 1)[size - 1] = '\0';
    return static_cast<std::uint32_t>(std::strlen(buffer));
  }};
  stand_in<&calls::find_first> find_{[](const char* pattern, hu_WIN32_FIND_DATAA& record) {
    ++state.searches, state.last_pattern = pattern, std::strcpy(record.cFileName, "only.cap");
    return reinterpret_cast<os::search*>(&state);
  }};
  stand_in<&calls::find_next> next_{[](os::search*, hu_WIN32_FIND_DATAA&) { return false; }};
  stand_in<&calls::find_close> find_close_{[](os::search*) { ++state.searches_closed; }};
  stand_in<&calls::load_module> load_{[](const char* path) { return ++state.loaded, state.last_load = path, reinterpret_cast<os::module*>(&state); }};
  stand_in<&calls::module_export> export_{[](os::module*, const char* name) { return std::strcmp(name, "GetIPAddress") ? nullptr : reinterpret_cast<void*>(&plugin); }};
  stand_in<&calls::unload_module> unload_{[](os::module*) { ++state.unloaded; }};
  // clang-format on
};

TEST_F(PrinterStandIn, RefusalsListNothingAndFailedListingsClearTheBuffers) {
  // clang-format off
  for (const auto& [port, pattern, code, name_size, port_size] :
       {std::tuple{(const char*)nullptr, "p", "c", 16u, 16u}, {"", "p", "c", 16u, 16u},
        {"USB", "", "c", 16u, 16u}, {"USB", "p", nullptr, 16u, 16u}, {"USB", "p", "c", 0u, 16u},
        {"USB", "p", "c", 16u, 0u}}) {  // clang-format on
    EXPECT_EQ(search(port, pattern, code, name_size, port_size), "0 " + std::string(32, 'x'));
  }
  EXPECT_EQ(DeviceDriverIsExist("USB", "p", "") + DeviceDriverIsExist(nullptr, "p", "c"), 0u);
  EXPECT_EQ(state.listings, 0);
  // Nothing to list (a size of 0), a listing that fails, and no allocation
  // registry for the listing's block: 0, and the buffers cleared.
  for (const int failure : {0, 1, 2}) {
    state.printers.resize(failure == 0 ? 0 : 2);
    state.list_fails = failure == 1, state.listings = 0;
    if (failure == 2) SemaphoreControlEnd();
    EXPECT_EQ(search("USB", "*.cap", "C"), "0 " + std::string(32, '\0')) << failure;
    EXPECT_EQ(state.listings, failure == 1 ? 2 : 1) << failure;
  }
}

TEST_F(PrinterStandIn, NetworkSearchGivesBackWhatItTakesAndNeedsADriverFolder) {
  // P1 answers first and is passed over; each printer is opened twice.
  EXPECT_EQ(search("10.0.0.2", "*.cap", "CODE").substr(0, 4), "1 P2");
  EXPECT_EQ(std::pair(state.plugin_size, state.opened), std::pair(256u, 4));
  const std::string in_folder = folder + os::path_separator();
  EXPECT_EQ(state.last_pattern + " " + state.last_load,
            in_folder + "*.cap " + in_folder + "plugin.module");
  EXPECT_EQ(search("10.0.0.3", "*.cap", "CODE").substr(0, 1), "0");
  EXPECT_EQ(std::tuple(state.loaded, state.opened, state.searches),
            std::tuple(state.unloaded, state.closed, state.searches_closed));
  // A driver path without a separator, or no driver record: no folder, so no
  // capability file is searched for, and no plug-in loaded.
  state.searches = state.loaded = state.opened = state.closed = 0;
  for (const char* driver : {"driver.file", ""}) {
    state.driver = driver;
    EXPECT_EQ(search("10.0.0.1", "*.cap", "CODE").substr(0, 1), "0") << driver;
    EXPECT_EQ(std::tuple(state.searches, state.loaded, state.opened),
              std::tuple(0, 0, state.closed));
  }
}

}  // namespace
