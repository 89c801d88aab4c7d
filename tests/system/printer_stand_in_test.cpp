// The printer search against a stand-in system, for failures a spooler will not make.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hostutil.h"
#include "os/file.h"
#include "os/printer.h"
#include "system/internal.h"

namespace {

namespace os = hostutil::os;

struct stand_in_state {
  std::vector<os::printer_names> printers;
  bool list_fails = false;
  const char* driver = nullptr;  // the driver file of every printer; null: none
  int listings = 0, opened = 0, closed = 0, searches = 0, searches_closed = 0, loaded = 0,
      unloaded = 0, plugin_calls = 0;
  std::string last_pattern, last_load;
  std::uint32_t plugin_size = 0;
};
stand_in_state state;

int32_t HOSTUTIL_CALL plugin(const char* printer, char* buffer, uint32_t size) {
  ++state.plugin_calls;
  state.plugin_size = size;
  std::strcpy(buffer, std::strcmp(printer, "P2") == 0 ? "10.0.0.2" : "10.0.0.1");
  return 1;
}

class PrinterStandIn : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = os::printer_syscalls();
    reset_state();
    auto& calls = os::printer_syscalls();
    calls.enumerate_printers = [](void* block, std::uint32_t size, std::uint32_t& needed,
                                  std::uint32_t& count) {
      ++state.listings;
      needed = static_cast<std::uint32_t>(state.printers.size() * sizeof(os::printer_names));
      count = 0;
      if (state.list_fails || block == nullptr || size < needed) return false;
      std::memcpy(block, state.printers.data(), needed);
      count = static_cast<std::uint32_t>(state.printers.size());
      return true;
    };
    calls.printer_at = [](const void* block, std::uint32_t index) {
      return static_cast<const os::printer_names*>(block)[index];
    };
    calls.open_printer = [](const char* name) {
      ++state.opened;
      return reinterpret_cast<os::printer*>(const_cast<char*>(name));
    };
    calls.close_printer = [](os::printer*) { ++state.closed; };
    calls.printer_driver = [](os::printer*, void* block, std::uint32_t size,
                              std::uint32_t& needed) {
      needed = state.driver == nullptr ? 0 : sizeof(const char*);
      if (needed == 0 || block == nullptr || size < needed) return false;
      std::memcpy(block, &state.driver, sizeof state.driver);
      return true;
    };
    calls.driver_path = [](const void* block) { return *static_cast<const char* const*>(block); };
    calls.find_first_file = [](const char* pattern, char(&name)[os::file_name_size]) {
      ++state.searches;
      state.last_pattern = pattern;
      std::strcpy(name, "only.cap");
      return reinterpret_cast<os::file_search*>(&state);
    };
    calls.find_next_file = [](os::file_search*, char(&)[os::file_name_size]) { return false; };
    calls.find_close = [](os::file_search*) { ++state.searches_closed; };
    calls.profile_string = [](const char* section, const char* key, const char*, char* buffer,
                              std::uint32_t size, const char*) {
      std::string value = "NONE";
      if (std::strcmp(section, "Capability") == 0) value = std::string("S-") + key;
      if (std::strcmp(key, "ZentorraSupportCode") == 0) value = "CODE";
      if (std::strcmp(key, "GetIPDll") == 0) value = "plugin.module";
      std::strncpy(buffer, value.c_str(), size - 1);
      buffer[size - 1] = '\0';
      return static_cast<std::uint32_t>(std::strlen(buffer));
    };
    calls.load_module = [](const char* path) {
      ++state.loaded;
      state.last_load = path;
      return reinterpret_cast<os::module*>(&state);
    };
    calls.module_export = [](os::module*, const char* name) {
      return std::strcmp(name, "GetIPAddress") == 0 ? reinterpret_cast<void*>(&plugin) : nullptr;
    };
    calls.unload_module = [](os::module*) { ++state.unloaded; };
    SemaphoreControlBegin();
  }
  void TearDown() override {
    os::printer_syscalls() = saved_;
    GlobalAreaLumpFree();
    SemaphoreControlEnd();
  }

  void reset_state() {
    state = stand_in_state{};
    state.printers = {{"P1", "USB001", "Driver One"}, {"P2", "USB002,LPT1:", "Driver Two"}};
    state.driver = driver_file_.c_str();
  }
  static std::string folder() {
    return std::string("drivers") + os::path_separator() + "x64" + os::path_separator() + "3";
  }
  const std::string driver_file_ = folder() + os::path_separator() + "driver.file";

 private:
  os::printer_calls saved_{};
};

TEST_F(PrinterStandIn, RefusedBeforeListingAndBeforeClearing) {
  char name[16], port[16];
  std::memset(name, 'x', sizeof name);
  std::memset(port, 'x', sizeof port);
  const char* p = "USB";
  EXPECT_EQ(GetLogicalPrinterAndPortName(nullptr, p, p, name, 16, port, 16), 0u);
  EXPECT_EQ(GetLogicalPrinterAndPortName("", p, p, name, 16, port, 16), 0u);
  EXPECT_EQ(GetLogicalPrinterAndPortName(p, "", p, name, 16, port, 16), 0u);
  EXPECT_EQ(GetLogicalPrinterAndPortName(p, p, nullptr, name, 16, port, 16), 0u);
  EXPECT_EQ(GetLogicalPrinterAndPortName(p, p, p, nullptr, 16, port, 16), 0u);
  EXPECT_EQ(GetLogicalPrinterAndPortName(p, p, p, name, 0, port, 16), 0u);
  EXPECT_EQ(GetLogicalPrinterAndPortName(p, p, p, name, 16, nullptr, 16), 0u);
  EXPECT_EQ(GetLogicalPrinterAndPortName(p, p, p, name, 16, port, 0), 0u);
  EXPECT_EQ(DeviceDriverIsExist(p, p, ""), 0u);
  EXPECT_EQ(DeviceDriverIsExist(nullptr, p, p), 0u);
  EXPECT_EQ(state.listings, 0);
  EXPECT_EQ(std::string(name, 16) + std::string(port, 16), std::string(32, 'x'));
}

TEST_F(PrinterStandIn, FailedListingsAnswerZeroWithClearedBuffers) {
  char name[16], port[16];
  std::memset(name, 'x', sizeof name);
  std::memset(port, 'x', sizeof port);
  state.printers.clear();  // nothing to list: size 0
  EXPECT_EQ(GetLogicalPrinterAndPortName("USB", "*.cap", "C", name, 16, port, 16), 0u);
  EXPECT_EQ(state.listings, 1);
  EXPECT_EQ(std::string(name, 16) + std::string(port, 16), std::string(32, '\0'));

  reset_state();
  state.list_fails = true;
  EXPECT_EQ(GetLogicalPrinterAndPortName("USB", "*.cap", "C", name, 16, port, 16), 0u);
  EXPECT_EQ(state.listings, 2);

  // Without the allocation registry there is no block for the listing.
  reset_state();
  SemaphoreControlEnd();
  EXPECT_EQ(GetLogicalPrinterAndPortName("USB", "*.cap", "C", name, 16, port, 16), 0u);
  EXPECT_EQ(state.listings, 1);
  SemaphoreControlBegin();
}

TEST_F(PrinterStandIn, NameSearchStopsAtTheFirstPort) {
  char name[16], port[16];
  EXPECT_EQ(GetLogicalPrinterAndPortName("USB00", "*.cap", "C", name, 16, port, 16), 1u);
  EXPECT_STREQ(name, "P1");
  EXPECT_EQ(GetLogicalPrinterAndPortName("LPT1", "*.cap", "C", name, 16, port, 16), 1u);
  EXPECT_STREQ(name, "P2");
  EXPECT_STREQ(port, "USB002,LPT1:");
  EXPECT_EQ(state.opened + state.searches + state.loaded, 0);  // no driver is asked
}

TEST_F(PrinterStandIn, NetworkSearchGivesBackWhatItTakes) {
  char name[16], port[16];
  EXPECT_EQ(GetLogicalPrinterAndPortName("10.0.0.2", "*.cap", "CODE", name, 16, port, 16), 1u);
  EXPECT_STREQ(name, "P2");
  EXPECT_EQ(state.plugin_calls, 2);
  EXPECT_EQ(state.plugin_size, 256u);
  EXPECT_EQ(state.last_pattern, folder() + os::path_separator() + "*.cap");
  EXPECT_EQ(state.last_load, folder() + os::path_separator() + "plugin.module");
  EXPECT_EQ(state.loaded, state.unloaded);
  EXPECT_EQ(state.opened, state.closed);
  EXPECT_EQ(state.searches, state.searches_closed);
  EXPECT_EQ(state.opened, 4);  // each printer opened twice

  EXPECT_EQ(GetLogicalPrinterAndPortName("10.0.0.3", "*.cap", "CODE", name, 16, port, 16), 0u);
  EXPECT_EQ(state.loaded, state.unloaded);
  EXPECT_EQ(state.opened, state.closed);
}

TEST_F(PrinterStandIn, NoDriverFolderWithoutADriverPath) {
  // A driver path without a separator has no folder.
  char directory[hostutil::system::path_size];
  std::memset(directory, 'x', sizeof directory);
  std::uint32_t length = 99;
  state.driver = "driver.file";
  EXPECT_EQ(hostutil::system::FindPrinterDriverFolder("P1", directory, &length), 0u);
  EXPECT_EQ(directory[0], 0);
  EXPECT_EQ(length, 0u);

  // No driver record: no folder, and no capability file is searched for.
  state.driver = nullptr;
  EXPECT_EQ(hostutil::system::FindPrinterDriverFolder("P1", directory, &length), 0u);
  char plugin[8];
  EXPECT_EQ(hostutil::system::GetCapabilityDllName("P1", "Driver One", "*.cap", "CODE", plugin,
                                                   sizeof plugin),
            0u);
  EXPECT_EQ(state.searches, 0);
  EXPECT_EQ(state.opened, state.closed);
}

}  // namespace
