// CUPS queues: no PPD, no driver folder; the name search matches any part of a URI.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hostutil.h"
#include "system/internal.h"
#include "system/print_server.h"

namespace {

class CupsQueues : public testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    if (!hostutil::test::use_print_server(reason)) GTEST_SKIP() << reason;
    SemaphoreControlBegin();
  }
  void TearDown() override {
    GlobalAreaLumpFree();
    SemaphoreControlEnd();
  }
};

std::string found_by_name(const char* port) {
  char name[256], ports[256];
  if (GetLogicalPrinterAndPortName(port, "*.cap", "code", name, sizeof name, ports, sizeof ports) ==
      0) {
    return "(none)";
  }
  return name;
}

TEST_F(CupsQueues, RawQueueHasNoDriverFolder) {
  char folder[hostutil::system::path_size];
  std::memset(folder, 'x', sizeof folder);
  std::uint32_t length = 99;
  EXPECT_EQ(hostutil::system::FindPrinterDriverFolder("hu-raw", folder, &length), 0u);
  char plugin[256];
  EXPECT_EQ(hostutil::system::GetCapabilityDllName("hu-raw", "Local Raw Printer", "*.cap", "code",
                                                   plugin, sizeof plugin),
            0u);
  EXPECT_STREQ(plugin, "");
}

TEST_F(CupsQueues, NameSearchInDeviceUris) {
  EXPECT_EQ(found_by_name("USB00"), "hu-usb");  // serial=USB001 comes before USB002
  EXPECT_EQ(found_by_name("USB002"), "hu-usb2");
  EXPECT_EQ(found_by_name("socket://127.0.0.1"), "hu-net");
  EXPECT_EQ(found_by_name("parallel:"), "hu-lpt");
  EXPECT_EQ(found_by_name("Parallel:"), "(none)");
}

}  // namespace
