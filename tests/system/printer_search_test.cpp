// The printer search on the tests' private print server (cups-server.sh,
// started by ctest), natively and under Wine through its spooler; capability
// files written into the real driver folder, real address plug-ins. Then the
// port kinds, and the search against a stand-in system for the failures a
// spooler will not make and for what it takes and gives back; and one table of
// capability-file answers for our reader and Wine's GetPrivateProfileStringA.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "hostutil.h"
#include "os/file.h"
#include "os/printer.h"
#include "os/private_profile.h"
#include "support/child.h"
#include "support/scratch_files.h"
#include "support/stand_in.h"
#include "system/internal.h"

namespace {

namespace fs = std::filesystem;
namespace os = hostutil::os;

const std::string suffix = HOSTUTIL_TEST_MODULE_SUFFIX;
const std::string beside_program = "hutestaddr" + suffix;     // only beside the test program
const std::string in_driver_folder = "hu_drv_addr" + suffix;  // only in the driver folder
const std::string without_export = "hutestnoaddr" + suffix;

std::string path_in(const std::string& folder, const std::string& name) {
  return folder + os::path_separator() + name;
}

// The answer and both buffers, as "1 name port"; "0  " when nothing was found.
std::string search(const char* port, const char* pattern, const char* code) {
  std::string name(256, 'x'), ports(256, 'x');  // a NUL follows each
  const std::uint32_t found =
      GetLogicalPrinterAndPortName(port, pattern, code, name.data(), 256, ports.data(), 256);
  return std::to_string(found) + " " + name.c_str() + " " + ports.c_str();
}

class PrinterSearch : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (getenv("HOSTUTIL_TEST_CUPS") == nullptr) return;  // not the tests' own server
    // The plug-in answers 0 for hu-lpt, and for hu-usb an address that differs
    // from hu-net's in its text alone.
    static char addresses[] =
        "HOSTUTIL_TEST_ADDRESSES=hu-lpt=0;hu-net=127.0.0.10;hu-net2=127.0.0.11;hu-raw=127.0.0.12;"
        "hu-usb=127.0.0.010;hu-usb2=127.0.0.13";
    putenv(addresses);
    SemaphoreControlBegin();
    std::uint32_t needed = 0, count = 0;
    os::enumerate_printers(nullptr, 0, needed, count);
    std::vector<std::uint64_t> block(needed / 8 + 1);  // the records hold pointers
    if (!os::enumerate_printers(block.data(), needed, needed, count)) count = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
      const os::printer_names p = os::printer_at(block.data(), i);
      names_.push_back(p.name);
      drivers_[p.name] = p.driver;
      ports_[p.name] = p.port;
    }
    char folder[hostutil::system::path_size];
    std::uint32_t length = 0;
    if (hostutil::system::FindPrinterDriverFolder("hu-net", folder, &length) == 1) folder_ = folder;
    std::error_code error;
    if (folder_.empty()) return;
    fs::copy_file(path_in(program_, beside_program), path_in(folder_, in_driver_folder), error);
    written_.push_back(in_driver_folder);
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    for (const std::string& file : written_) fs::remove(path_in(folder_, file), ignored);
    GlobalAreaLumpFree();
    SemaphoreControlEnd();
  }
  void SetUp() override {
    if (names_.empty()) {
      GTEST_SKIP() << "no printers: ctest starts the tests' print server, and where it cannot, "
                      "cups-server.sh writes why into the file 'unavailable' of its folder";
    }
    ASSERT_EQ(names_, (std::vector<std::string>{"hu-lpt", "hu-net", "hu-net2", "hu-raw", "hu-usb",
                                                "hu-usb2"}));
    ASSERT_FALSE(folder_.empty()) << "hu-net has no driver folder";
  }

  // A capability file in the driver folder; "@name" in a line stands for the
  // driver name of printer name.
  static void capability_file(const std::string& file, const std::vector<std::string>& lines) {
    std::ofstream out(path_in(folder_, file), std::ios::binary);
    for (std::string line : lines) {
      const std::size_t equals = line.find('=');
      if (line[0] == '@') line = drivers_[line.substr(1, equals - 1)] + line.substr(equals);
      out << line << "\r\n";
    }
    written_.push_back(file);
  }

  static inline std::string folder_,
      program_ = fs::path(hostutil::test::self_path()).parent_path().string();
  static inline std::vector<std::string> names_, written_;
  static inline std::map<std::string, std::string> drivers_, ports_;
};

TEST_F(PrinterSearch, NetworkSearchEndToEnd) {
  capability_file(
      "hu_a_1.cap",
      {"[Capability]", "@hu-net=NetSection", "@hu-net2=Net2Section", "@hu-usb=UsbSection",
       "@hu-raw=NetSection",
       // first key, plug-in from the driver folder
       "[NetSection]", "ZentorraSupportCode=ZX-100", "GetIPDll=" + in_driver_folder,
       // second key, plug-in beside the program
       "[Net2Section]", "ZentorraSupportCode=OTHER", "ZNTSupportCode=ZX-100",
       "GetIPDll=" + beside_program,
       // blanks and quotes (the reader's own test has the rest)
       "[UsbSection]", "ZNTSupportCode = ZX-100", "GetIPDll=\"" + beside_program + "\""});
  // 127.0.0.010 is hu-usb's, not hu-net's: the address text is compared exactly.
  const std::pair<const char*, const char*> found[] = {
      {"127.0.0.10", "hu-net"}, {"127.0.0.11", "hu-net2"}, {"127.0.0.010", "hu-usb"}};
  for (const auto& [address, printer] : found) {
    EXPECT_EQ(search(address, "hu_a_*.cap", "ZX-100"),
              std::string("1 ") + printer + " " + ports_[printer]);
  }
  EXPECT_EQ(DeviceDriverIsExist("127.0.0.10", "hu_a_*.cap", "ZX-100"), 1u);
  // No printer reports it: 0 and both buffers empty. The support code compares
  // with case; a pattern that finds no file finds nothing.
  EXPECT_EQ(search("127.000.0.10", "hu_a_*.cap", "ZX-100"), "0  ");
  EXPECT_EQ(search("127.0.0.10", "hu_a_*.cap", "zx-100"), "0  ");
  EXPECT_EQ(search("127.0.0.10", "hu_none_*.cap", "ZX-100"), "0  ");
#ifndef _WIN32
  // A CUPS raw queue has no PPD, hence no driver folder and no capability file.
  EXPECT_EQ(search("127.0.0.12", "hu_a_*.cap", "ZX-100"), "0  ");
#endif
}

TEST_F(PrinterSearch, CapabilityFilesInNameOrder) {
  const std::string hu_net = "1 hu-net " + ports_["hu-net"];
  // The first file does not describe hu-net's driver: the next one is read.
  capability_file("hu_b_1.cap", {"[Capability]", "@hu-usb=S", "[S]", "ZentorraSupportCode=B"});
  capability_file("hu_b_2.cap", {"[Capability]", "@hu-net=S", "[S]", "ZentorraSupportCode=B",
                                 "GetIPDll=" + beside_program});
  EXPECT_EQ(search("127.0.0.10", "hu_b_*.cap", "B"), hu_net);
  // The first file describes it without the code: the later one, which has
  // it, is never read.
  capability_file("hu_c_1.cap", {"[Capability]", "@hu-net=S", "[S]", "ZentorraSupportCode=WRONG",
                                 "ZNTSupportCode=WRONG", "GetIPDll=" + beside_program});
  capability_file("hu_c_2.cap", {"[Capability]", "@hu-net=S", "[S]", "ZentorraSupportCode=C",
                                 "GetIPDll=" + beside_program});
  EXPECT_EQ(search("127.0.0.10", "hu_c_*.cap", "C"), "0  ");
  EXPECT_EQ(search("127.0.0.10", "hu_c_2.cap", "C"), hu_net);
  // A section without GetIPDll names the plug-in "NONE", which does not load.
  capability_file("hu_c_3.cap", {"[Capability]", "@hu-net=S", "[S]", "ZentorraSupportCode=C"});
  EXPECT_EQ(search("127.0.0.10", "hu_c_3.cap", "C"), "0  ");
}

TEST_F(PrinterSearch, PrintersPassedOver) {
  // hu-lpt is listed first: its plug-in is missing, lacks the export, or
  // answers 0; each time the search goes on to hu-net, and finds nothing when
  // only hu-lpt could have answered.
  for (const std::string& lpt_plugin : {"hu_absent" + suffix, without_export, beside_program}) {
    const std::string file = "hu_e_" + std::to_string(written_.size()) + ".cap";
    capability_file(file, {"[Capability]", "@hu-lpt=L", "@hu-net=N", "[L]", "ZentorraSupportCode=E",
                           "GetIPDll=" + lpt_plugin, "[N]", "ZentorraSupportCode=E",
                           "GetIPDll=" + beside_program});
    EXPECT_EQ(search("127.0.0.10", file.c_str(), "E"), "1 hu-net " + ports_["hu-net"]);
    EXPECT_EQ(search("127.0.0.13", file.c_str(), "E"), "0  ") << lpt_plugin;
  }
  // This program has a GetIPAddress of its own: a plug-in's look-up never finds it.
  os::module* m = os::load_module(path_in(program_, without_export).c_str());
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(os::module_export(m, "GetIPAddress"), nullptr);
  os::unload_module(m);
}

TEST_F(PrinterSearch, NameSearchBySubstringInListingOrder) {
  // Port names hold the printer names (device URIs here, "CUPS:name" under
  // Wine); hu-usb2's port holds hu-usb too, but hu-usb comes first.
  EXPECT_EQ(search("hu-usb", "unused", "unused"), "1 hu-usb " + ports_["hu-usb"]);
  EXPECT_EQ(search("hu-usb2", "unused", "unused"), "1 hu-usb2 " + ports_["hu-usb2"]);
  EXPECT_EQ(search("HU-USB", "unused", "unused"), "0  ");  // with case
  EXPECT_EQ(search("hu-absent", "unused", "unused"), "0  ");
  EXPECT_EQ(DeviceDriverIsExist("hu-lpt", "unused", "unused"), 1u);
  // Names and ports longer than their buffers are cut, never written past.
  std::string name(8, 'x'), port(8, 'x');
  EXPECT_EQ(GetLogicalPrinterAndPortName("hu-usb2", "p", "c", name.data(), 4, port.data(), 5), 1u);
  EXPECT_EQ(name, std::string("hu-\0xxxx", 8));
  EXPECT_EQ(port, ports_["hu-usb2"].substr(0, 4) + std::string("\0xxx", 4));
}

using calls = os::system_calls;
using hostutil::test::stand_in;

// The kinds against a plain model of the rules, on kept inputs of the names a
// printer's port really has and of one holding both words: the fuzz target.
TEST(PortKind, NoName) { EXPECT_EQ(GetPortKind(nullptr), 0u); }

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

// Every search gives its scratch blocks back.
class PrinterStandIn : public hostutil::test::fresh_table {
 protected:
  void SetUp() override {
    state = stand_in_state{};
    fresh_table::SetUp();
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

// Every line end there is: CR LF, LF alone and CR alone; NUL bytes in values.
// clang-format off
const char capability_text[] =
    "[Capability]\r\n  Model X  =  SectionX  \r\nmodel y=SectionY\r\n\tTabbed\t=\tT1\t\r\nSpare=NONE\r\n"
    "[Capability]\r\nModel Z=SectionZ\r\n[ Spaced ]\r\nS=1\r\n"
    "[SectionX]\r\nZentorraSupportCode = \"ABC\"\r\nGetIPDll='plugin.dll'\r\nQuoted=\"only leading\r\n"
    "Mixed=\"abc'\r\nNoValue\r\nNoValue=late\r\nEmpty=\r\nEmptyQuotes=\"\"\r\nOneQuote=\"\r\n"
    "Dup=first\r\ndup=second\r\nEq=a=b=c\r\nInner=a \"b\" c\r\n"
    "Nul=ab\0cd\r\nNulQuoted=\"x\0y\"\r\nNulBlank=ab \0cd \r\n[sectionx]\r\nLate=yes\r\n"
    "[Junk]after\r\nJ=1\r\n[Open\r\n; comment=1\r\nA=1\rB=2\nC=3\n\n  \nD = 4 \nLast=no line end";

// Section, key, the text read, and the buffer's size, the default text and the
// file where they are not 64, NONE and case.cap.
struct profile_case {
  const char *section, *key, *expected;
  std::uint32_t size = 64;
  const char* default_text = "NONE";
  const char* file = "case.cap";
};
const profile_case cases[] = {
    // names: blanks round them and case do not count
    {"Capability", "Model X", "SectionX"}, {"capability", " model x ", "SectionX"},
    {"Capability", "Tabbed", "T1"},        {" Spaced ", "s", "1"},
    // the first of two sections of one name is the only one read; NONE is a value like any other
    {"Capability", "Model Z", "NONE"}, {"SectionX", "Late", "NONE"}, {"Capability", "Spare", "NONE", 64, "x"},
    // quotes: one matching pair round the value goes
    {"SectionX", "ZentorraSupportCode", "ABC"}, {"SectionX", "GetIPDll", "plugin.dll"},
    {"SectionX", "Quoted", "\"only leading"},   {"SectionX", "Mixed", "\"abc'"}, {"SectionX", "EmptyQuotes", ""},
    {"SectionX", "OneQuote", "\""},             {"SectionX", "Inner", "a \"b\" c"},
    // a NUL byte ends the value; the quotes are judged on what is left
    {"SectionX", "Nul", "ab"}, {"SectionX", "NulQuoted", "\"x"}, {"SectionX", "NulBlank", "ab "},
    // values: the first key wins, even without one
    {"SectionX", "NoValue", "NONE"}, {"SectionX", "Empty", ""}, {"SectionX", "Dup", "first"},
    {"SectionX", "Eq", "a=b=c"},
    // headers: text after "]" is ignored; without "]" the line is a key; ";" starts no comment
    {"Junk", "J", "1"}, {"Open", "A", "NONE"}, {"Junk", "[Open", "NONE"}, {"Junk", "; comment", "1"},
    // line ends: CR, LF, blank lines, the last line without one
    {"Junk", "A", "1"}, {"Junk", "B", "2"}, {"Junk", "C", "3"}, {"Junk", "D", "4"},
    {"Junk", "Last", "no line end"},
    // defaults: trailing spaces go, leading ones stay, quotes go; null is empty
    {"SectionX", "Missing", "  def", 64, "  def  "}, {"SectionX", "Missing", "qdef", 64, "\"qdef\""},
    {"SectionX", "Missing", "", 64, nullptr},        {"Nowhere", "S", "NONE"},
    // cut to size - 1 characters, after the quotes went
    {"SectionX", "Dup", "fi", 3}, {"SectionX", "Dup", "", 1}, {"SectionX", "Missing", "def", 4, "defaulttext"},
    {"SectionX", "ZentorraSupportCode", "AB", 3}, {"SectionX", "ZentorraSupportCode", "ABC", 5},
    // a missing file gives the default; a byte-order mark is not part of the first line
    {"Capability", "Key", "NONE", 64, "NONE", "absent.cap"},
    {"Capability", "Key", "Value", 64, "NONE", "bom.cap"},
};
// clang-format on

using CapabilityFile = hostutil::test::files::scratch_test;

TEST_F(CapabilityFile, TheSameAnswersOnBothPorts) {
  file("case.cap", std::string(capability_text, sizeof capability_text - 1));
  file("bom.cap", "\xEF\xBB\xBF[Capability]\r\nKey=Value\r\n");
  for (const auto& c : cases) {
    std::string buffer(80, '#');
    const std::uint32_t n = hostutil::os::private_profile_string(
        c.section, c.key, c.default_text, buffer.data(), c.size, path(c.file).c_str());
    const std::string what =
        std::string("[") + c.section + "] " + c.key + " " + std::to_string(c.size);
    EXPECT_STREQ(buffer.c_str(), c.expected) << what;
    EXPECT_EQ(n, std::strlen(c.expected)) << what;
    EXPECT_EQ(buffer[c.size], '#') << what << ": written past the buffer";
  }
}

}  // namespace
