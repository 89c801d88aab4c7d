// The printer search on the real print server, natively and under Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "hostutil.h"
#include "os/printer.h"
#include "support/child.h"
#include "system/internal.h"
#include "system/print_server.h"

namespace {

namespace fs = std::filesystem;
using hostutil::test::path_in;

const std::string suffix = HOSTUTIL_TEST_MODULE_SUFFIX;
const std::string beside_program = "hutestaddr" + suffix;     // only beside the test program
const std::string in_driver_folder = "hu_drv_addr" + suffix;  // only in the driver folder
const std::string without_export = "hutestnoaddr" + suffix;

struct found_printer {
  std::uint32_t result = 0;
  std::string name, port;
};

found_printer search(const char* port, const char* pattern, const char* code) {
  found_printer f;
  char name[256], ports[256];
  std::memset(name, 'x', sizeof name);
  std::memset(ports, 'x', sizeof ports);
  f.result =
      GetLogicalPrinterAndPortName(port, pattern, code, name, sizeof name, ports, sizeof ports);
  f.name = name;
  f.port = ports;
  return f;
}

class PrinterSearch : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    ready_ = hostutil::test::use_print_server(reason_);
    if (!ready_) return;
    SemaphoreControlBegin();
    std::uint32_t needed = 0, count = 0;
    hostutil::os::enumerate_printers(nullptr, 0, needed, count);
    std::vector<std::uint64_t> block(needed / 8 + 1);
    if (!hostutil::os::enumerate_printers(block.data(), needed, needed, count)) return;
    for (std::uint32_t i = 0; i < count; ++i) {
      const auto p = hostutil::os::printer_at(block.data(), i);
      drivers_[p.name] = p.driver;
      ports_[p.name] = p.port;
    }
    char folder[hostutil::system::path_size];
    std::uint32_t length = 0;
    if (hostutil::system::FindPrinterDriverFolder("hu-net", folder, &length) == 1) {
      folder_ = folder;
    }
    const fs::path program = fs::path(hostutil::test::self_path()).parent_path();
    std::error_code error;
    fs::copy_file(program / beside_program, path_in(folder_, in_driver_folder),
                  fs::copy_options::overwrite_existing, error);
    written_.push_back(path_in(folder_, in_driver_folder));
  }
  static void TearDownTestSuite() {
    if (!ready_) return;
    std::error_code ignored;
    for (const std::string& file : written_) fs::remove(file, ignored);
    GlobalAreaLumpFree();
    SemaphoreControlEnd();
  }
  void SetUp() override {
    if (!ready_) GTEST_SKIP() << reason_;
    ASSERT_FALSE(folder_.empty()) << "hu-net has no driver folder";
    ASSERT_EQ(drivers_.size(), 6u);
  }

  // A capability file in the driver folder; "@name" in a line stands for the
  // driver name of printer name.
  static void capability_file(const std::string& file, const std::vector<std::string>& lines) {
    std::string text;
    for (std::string line : lines) {
      if (line.size() > 1 && line[0] == '@') {
        const std::size_t equals = line.find('=');
        line = drivers_[line.substr(1, equals - 1)] + line.substr(equals);
      }
      text += line + "\r\n";
    }
    const std::string path = path_in(folder_, file);
    std::ofstream(path, std::ios::binary) << text;
    written_.push_back(path);
  }

  // The plug-in the matching capability files name for hu-net's driver.
  static std::uint32_t hu_net_plugin(const char* pattern, const char* code, std::string& plugin) {
    char name[256];
    const std::uint32_t found = hostutil::system::GetCapabilityDllName(
        "hu-net", drivers_["hu-net"].c_str(), pattern, code, name, sizeof name);
    plugin = name;
    return found;
  }

  static inline bool ready_ = false;
  static inline std::string reason_;
  static inline std::map<std::string, std::string> drivers_, ports_;
  static inline std::string folder_;
  static inline std::vector<std::string> written_;
};

TEST_F(PrinterSearch, NetworkSearchEndToEnd) {
  capability_file("hu_a_1.cap",
                  {"[Capability]", "@hu-net=NetSection", "@hu-net2=Net2Section",
                   "@hu-usb=UsbSection", "@hu-usb2=Usb2Section",
                   // first key, plug-in from the driver folder
                   "[NetSection]", "ZentorraSupportCode=ZX-100", "GetIPDll=" + in_driver_folder,
                   // second key, plug-in beside the program
                   "[Net2Section]", "ZentorraSupportCode=OTHER", "ZNTSupportCode=ZX-100",
                   "GetIPDll=" + beside_program,
                   // blanks, quotes and case in the keys and values
                   "[UsbSection]", "ZNTSupportCode = ZX-100", "GetIPDll=\"" + beside_program + "\"",
                   "[Usb2Section]", "zentorrasupportcode=ZX-100", "getipdll=" + beside_program});
  // 127.0.0.010 is hu-usb's, not hu-net's: the address text is compared exactly.
  const std::pair<const char*, const char*> found[] = {{"127.0.0.10", "hu-net"},
                                                       {"127.0.0.11", "hu-net2"},
                                                       {"127.0.0.010", "hu-usb"},
                                                       {"127.0.0.13", "hu-usb2"}};
  for (const auto& [address, printer] : found) {
    const found_printer f = search(address, "hu_a_*.cap", "ZX-100");
    EXPECT_EQ(f.result, 1u) << address;
    EXPECT_EQ(f.name, printer);
    EXPECT_EQ(f.port, ports_[printer]);
  }
  EXPECT_EQ(DeviceDriverIsExist("127.0.0.10", "hu_a_*.cap", "ZX-100"), 1u);

  // No printer reports it: 0 and both buffers empty.
  for (const char* address : {"127.0.0.12", "127.000.0.10", "127.0.0.10.", "10.0.0.127"}) {
    const found_printer f = search(address, "hu_a_*.cap", "ZX-100");
    EXPECT_EQ(f.result, 0u) << address;
    EXPECT_EQ(f.name, "") << address;
    EXPECT_EQ(f.port, "") << address;
  }
  // The support code compares with case; a pattern that finds no file finds nothing.
  EXPECT_EQ(search("127.0.0.10", "hu_a_*.cap", "zx-100").result, 0u);
  EXPECT_EQ(search("127.0.0.10", "hu_none_*.cap", "ZX-100").result, 0u);
  EXPECT_EQ(DeviceDriverIsExist("127.0.0.10", "hu_a_*.cap", "ZX-10"), 0u);
}

TEST_F(PrinterSearch, CapabilityFilesInPatternOrder) {
  // The first file does not describe hu-net's driver: the next one is read.
  capability_file("hu_b_1.cap", {"[Capability]", "@hu-usb=S", "[S]", "ZentorraSupportCode=B"});
  capability_file("hu_b_2.cap", {"[Capability]", "@hu-net=S", "[S]", "ZentorraSupportCode=B",
                                 "GetIPDll=" + beside_program});
  EXPECT_EQ(search("127.0.0.10", "hu_b_*.cap", "B").name, "hu-net");

  // The first file describes it without the code: the later file, which has
  // it, is never read.
  capability_file("hu_c_1.cap", {"[Capability]", "@hu-net=S", "[S]", "ZentorraSupportCode=WRONG",
                                 "ZNTSupportCode=WRONG", "GetIPDll=" + beside_program});
  capability_file("hu_c_2.cap", {"[Capability]", "@hu-net=S", "[S]", "ZentorraSupportCode=C",
                                 "GetIPDll=" + beside_program});
  EXPECT_EQ(search("127.0.0.10", "hu_c_*.cap", "C").result, 0u);
  std::string plugin;
  EXPECT_EQ(hu_net_plugin("hu_c_*.cap", "C", plugin), 0u);
  EXPECT_EQ(hu_net_plugin("hu_c_2.cap", "C", plugin), 1u);
  EXPECT_EQ(plugin, beside_program);
  // A value of NONE is no value.
  capability_file("hu_c_3.cap",
                  {"[Capability]", "@hu-net=NONE", "[NONE]", "ZentorraSupportCode=C"});
  EXPECT_EQ(hu_net_plugin("hu_c_3.cap", "C", plugin), 0u);
}

TEST_F(PrinterSearch, PrintersPassedOver) {
  // A section without GetIPDll names the plug-in "NONE", which does not load.
  capability_file("hu_d_1.cap", {"[Capability]", "@hu-net=S", "[S]", "ZentorraSupportCode=D"});
  std::string plugin;
  EXPECT_EQ(hu_net_plugin("hu_d_*.cap", "D", plugin), 1u);
  EXPECT_EQ(plugin, "NONE");
  EXPECT_EQ(search("127.0.0.10", "hu_d_*.cap", "D").result, 0u);

  // hu-lpt is listed first: its plug-in is missing, lacks the export, or
  // answers 0; each time the search goes on to hu-net.
  for (const std::string& lpt_plugin :
       {std::string("hu_absent") + suffix, without_export, beside_program}) {
    const std::string file = "hu_e_" + std::to_string(written_.size()) + ".cap";
    capability_file(file, {"[Capability]", "@hu-lpt=L", "@hu-net=N", "[L]", "ZentorraSupportCode=E",
                           "GetIPDll=" + lpt_plugin, "[N]", "ZentorraSupportCode=E",
                           "GetIPDll=" + beside_program});
    EXPECT_EQ(search("127.0.0.10", file.c_str(), "E").name, "hu-net") << lpt_plugin;
    // ... and finds nothing when only hu-lpt could have answered.
    EXPECT_EQ(search("127.0.0.13", file.c_str(), "E").result, 0u) << lpt_plugin;
  }
}

TEST_F(PrinterSearch, NameSearchBySubstringInListingOrder) {
  // Port names hold the printer names (device URIs here, "CUPS:name" under Wine).
  found_printer f = search("hu-usb", "unused", "unused");
  EXPECT_EQ(f.result, 1u);
  EXPECT_EQ(f.name, "hu-usb");  // hu-usb2's port holds it too; hu-usb comes first
  EXPECT_EQ(f.port, ports_["hu-usb"]);
  EXPECT_EQ(search("hu-usb2", "unused", "unused").name, "hu-usb2");
  EXPECT_EQ(search("hu-lpt", "unused", "unused").name, "hu-lpt");
  EXPECT_EQ(search("HU-USB", "unused", "unused").result, 0u);  // with case
  EXPECT_EQ(search("hu-absent", "unused", "unused").result, 0u);
  EXPECT_EQ(DeviceDriverIsExist("hu-lpt", "unused", "unused"), 1u);
  EXPECT_EQ(DeviceDriverIsExist("hu-lpt", "unused", ""), 0u);

  // Names and ports longer than their buffers are cut, never written past.
  char name[8], port[8];
  std::memset(name, 'x', sizeof name);
  std::memset(port, 'x', sizeof port);
  EXPECT_EQ(GetLogicalPrinterAndPortName("hu-usb2", "p", "c", name, 4, port, 5), 1u);
  EXPECT_STREQ(name, "hu-");
  EXPECT_EQ(std::string(port), ports_["hu-usb2"].substr(0, 4));
  EXPECT_EQ(name[4], 'x');
  EXPECT_EQ(port[5], 'x');
}

TEST_F(PrinterSearch, DriverFolder) {
  char folder[hostutil::system::path_size];
  std::uint32_t length = 99;
  ASSERT_EQ(hostutil::system::FindPrinterDriverFolder("hu-usb", folder, &length), 1u);
  EXPECT_EQ(length, std::strlen(folder));
  EXPECT_EQ(std::string(folder), folder_);
  length = 99;
  EXPECT_EQ(hostutil::system::FindPrinterDriverFolder("hu-absent", folder, &length), 0u);
}

}  // namespace
