// The printer facility on a real print server (a private cupsd; under Wine,
// the same printers through Wine's spooler): the listing and its size
// protocol, driver records, the driver-folder search and plug-in exports.
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

// The listing, as (name, port, driver) triples.
std::vector<std::vector<std::string>> list_printers() {
  std::vector<std::vector<std::string>> printers;
  std::uint32_t needed = 0, count = 0;
  os::enumerate_printers(nullptr, 0, needed, count);
  std::vector<unsigned char> block(needed + 16);
  // The records hold pointers: keep them aligned.
  void* start = block.data() + (16 - reinterpret_cast<std::uintptr_t>(block.data()) % 16) % 16;
  if (!os::enumerate_printers(start, needed, needed, count)) return printers;
  for (std::uint32_t i = 0; i < count; ++i) {
    const os::printer_names p = os::printer_at(start, i);
    printers.push_back({p.name, p.port ? p.port : "", p.driver ? p.driver : ""});
  }
  return printers;
}

TEST_F(PrintServer, ListsTheTestPrintersInOrder) {
  std::uint32_t needed = 0, count = 0;
  EXPECT_FALSE(os::enumerate_printers(nullptr, 0, needed, count));
  ASSERT_GT(needed, 0u);
  std::vector<std::uint64_t> block(needed / 8 + 2);
  std::uint32_t short_needed = 0;
  EXPECT_FALSE(os::enumerate_printers(block.data(), needed - 1, short_needed, count));
  EXPECT_EQ(short_needed, needed);

  const auto printers = list_printers();
  std::vector<std::string> names;
  for (const auto& p : printers) names.push_back(p[0]);
  std::vector<std::string> expected(std::begin(hostutil::test::test_printers),
                                    std::end(hostutil::test::test_printers));
  EXPECT_EQ(names, expected);
  for (const auto& p : printers) {
    std::printf("  %-8s port \"%s\" driver \"%s\"\n", p[0].c_str(), p[1].c_str(), p[2].c_str());
    // The port names the queue: a device URI made for it here, "CUPS:name" under Wine.
    EXPECT_TRUE(p[1].find(p[0]) != std::string::npos || p[0].rfind("hu-net", 0) == 0 ||
                p[0] == "hu-raw")
        << p[1];
    EXPECT_FALSE(p[2].empty());
  }
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
