// The printer facility on the real print server (under Wine, through its spooler).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "os/printer.h"
#include "support/child.h"
#include "system/print_server.h"

namespace {

namespace os = hostutil::os;
using hostutil::test::path_in;

std::string program_folder() {
  return std::filesystem::path(hostutil::test::self_path()).parent_path().string();
}

class PrintServer : public testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    if (!hostutil::test::use_print_server(reason)) GTEST_SKIP() << reason;
  }
};

TEST_F(PrintServer, ListsTheTestPrintersInOrder) {
  std::uint32_t needed = 0, count = 0;
  EXPECT_FALSE(os::enumerate_printers(nullptr, 0, needed, count));
  ASSERT_GT(needed, 0u);
  // The records hold pointers: the block is aligned.
  std::vector<std::uint64_t> block(needed / 8 + 1);
  std::uint32_t short_needed = 0;
  EXPECT_FALSE(os::enumerate_printers(block.data(), needed - 1, short_needed, count));
  EXPECT_EQ(short_needed, needed);
  ASSERT_TRUE(os::enumerate_printers(block.data(), needed, needed, count));

  std::vector<std::string> names;
  for (std::uint32_t i = 0; i < count; ++i) {
    const os::printer_names p = os::printer_at(block.data(), i);
    const std::string name = p.name, port = p.port ? p.port : "", driver = p.driver ? p.driver : "";
    names.push_back(name);
    std::printf("  %-8s port \"%s\" driver \"%s\"\n", name.c_str(), port.c_str(), driver.c_str());
    // The port names the queue: a device URI made for it here, "CUPS:name" under Wine.
    EXPECT_TRUE(port.find(name) != std::string::npos || name.rfind("hu-net", 0) == 0 ||
                name == "hu-raw")
        << port;
    EXPECT_FALSE(driver.empty());
  }
  EXPECT_EQ(names, std::vector<std::string>(std::begin(hostutil::test::test_printers),
                                            std::end(hostutil::test::test_printers)));
}

TEST_F(PrintServer, DriverRecords) {
  EXPECT_EQ(os::open_printer("hu-absent"), nullptr);
  os::printer* p = os::open_printer("hu-net");
  ASSERT_NE(p, nullptr);
  std::uint32_t needed = 0;
  EXPECT_FALSE(os::printer_driver(p, nullptr, 0, needed));
  ASSERT_GT(needed, 0u);
  std::vector<std::uint64_t> block(needed / 8 + 1);
  ASSERT_TRUE(os::printer_driver(p, block.data(), needed, needed));
  const std::string path = os::driver_path(block.data());
  std::printf("  driver file of hu-net: %s\n", path.c_str());
  os::close_printer(p);
  EXPECT_TRUE(std::filesystem::exists(path)) << path;
}

TEST(DriverFolderSearch, MatchesInNameOrder) {
  const std::string folder = hostutil::test::scratch_folder("find");
  ASSERT_FALSE(folder.empty());
  for (const char* name : {"b.cap", "a.cap", "c.txt", "a.ca", "ab.cap"}) {
    std::ofstream(folder + name) << "x";
  }
  const auto found = [&](const char* pattern) {
    std::vector<std::string> names;
    char name[os::file_name_size];
    os::file_search* s = os::find_first_file((folder + pattern).c_str(), name);
    if (s == nullptr) return names;
    do names.push_back(name);
    while (os::find_next_file(s, name));
    os::find_close(s);
    return names;
  };
  EXPECT_EQ(found("*.cap"), (std::vector<std::string>{"a.cap", "ab.cap", "b.cap"}));
  EXPECT_EQ(found("?.cap"), (std::vector<std::string>{"a.cap", "b.cap"}));
  EXPECT_EQ(found("c.txt"), (std::vector<std::string>{"c.txt"}));
  EXPECT_TRUE(found("*.none").empty());
  char name[os::file_name_size];
  EXPECT_EQ(os::find_first_file((folder + "missing-folder/*.cap").c_str(), name), nullptr);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

TEST(PluginExports, OnlyTheModulesOwn) {
  const std::string with = path_in(program_folder(), "hutestaddr" HOSTUTIL_TEST_MODULE_SUFFIX);
  const std::string without = path_in(program_folder(), "hutestnoaddr" HOSTUTIL_TEST_MODULE_SUFFIX);
  EXPECT_EQ(os::load_module(path_in(program_folder(), "absent.module").c_str()), nullptr);

  os::module* m = os::load_module(with.c_str());
  ASSERT_NE(m, nullptr) << with;
  EXPECT_NE(os::module_export(m, "GetIPAddress"), nullptr);
  EXPECT_EQ(os::module_export(m, "GetIPAddr"), nullptr);
  os::unload_module(m);

  // This program has a GetIPAddress of its own; the module's lookup must not find it.
  m = os::load_module(without.c_str());
  ASSERT_NE(m, nullptr) << without;
  EXPECT_EQ(os::module_export(m, "GetIPAddress"), nullptr);
  EXPECT_NE(os::module_export(m, "GetIPAddr"), nullptr);
  os::unload_module(m);
}

}  // namespace
