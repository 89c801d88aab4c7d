// One table of capability-file answers for our reader and Wine's GetPrivateProfileStringA.
#include "os/private_profile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/child.h"

namespace {

using hostutil::os::private_profile_string;

// Every line end there is: CR LF, LF alone and CR alone.
const char capability_text[] =
    "[Capability]\r\n"
    "  Model X  =  SectionX  \r\n"
    "model y=SectionY\r\n"
    "\tTabbed\t=\tT1\t\r\n"
    "Spare=NONE\r\n"
    "[Capability]\r\n"
    "Model Z=SectionZ\r\n"
    "[ Spaced ]\r\n"
    "S=1\r\n"
    "[SectionX]\r\n"
    "ZentorraSupportCode = \"ABC\"\r\n"
    "GetIPDll='plugin.dll'\r\n"
    "Quoted=\"only leading\r\n"
    "Mixed=\"abc'\r\n"
    "NoValue\r\n"
    "NoValue=late\r\n"
    "Empty=\r\n"
    "EmptyQuotes=\"\"\r\n"
    "OneQuote=\"\r\n"
    "Dup=first\r\n"
    "dup=second\r\n"
    "Eq=a=b=c\r\n"
    "Inner=a \"b\" c\r\n"
    "Nul=ab\0cd\r\n"
    "NulQuoted=\"x\0y\"\r\n"
    "NulBlank=ab \0cd \r\n"
    "[sectionx]\r\n"
    "Late=yes\r\n"
    "[Junk]after\r\n"
    "J=1\r\n"
    "[Open\r\n"
    "; comment=1\r\n"
    "A=1\rB=2\nC=3\n\n  \nD = 4 \n"
    "Last=no line end";

struct profile_case {
  const char* section;
  const char* key;
  const char* default_text;
  std::uint32_t size;
  const char* expected;
};

const profile_case cases[] = {
    // clang-format off
    // names: blanks round them and case do not count
    {"Capability", "Model X", "NONE", 64, "SectionX"},
    {"capability", " model x ", "NONE", 64, "SectionX"},
    {"Capability", "MODEL Y", "NONE", 64, "SectionY"}, {"Capability", "Tabbed", "NONE", 64, "T1"},
    {"Spaced", "S", "NONE", 64, "1"}, {" Spaced ", "s", "NONE", 64, "1"},
    // the first of two sections of one name is the only one read
    {"Capability", "Model Z", "NONE", 64, "NONE"}, {"SectionX", "Late", "NONE", 64, "NONE"},
    {"Capability", "Spare", "default", 64, "NONE"},
    // quotes: one matching pair round the value goes
    {"SectionX", "ZentorraSupportCode", "NONE", 64, "ABC"},
    {"SectionX", "GetIPDll", "NONE", 64, "plugin.dll"},
    {"SectionX", "Quoted", "NONE", 64, "\"only leading"},
    {"SectionX", "Mixed", "NONE", 64, "\"abc'"}, {"SectionX", "EmptyQuotes", "NONE", 64, ""},
    {"SectionX", "OneQuote", "NONE", 64, "\""}, {"SectionX", "Inner", "NONE", 64, "a \"b\" c"},
    // a NUL byte ends the value; the quotes are judged on what is left
    {"SectionX", "Nul", "NONE", 64, "ab"}, {"SectionX", "NulQuoted", "NONE", 64, "\"x"},
    {"SectionX", "NulBlank", "NONE", 64, "ab "},
    // values
    {"SectionX", "NoValue", "NONE", 64, "NONE"},  // the first key wins, and it has none
    {"SectionX", "Empty", "NONE", 64, ""}, {"SectionX", "Dup", "NONE", 64, "first"},
    {"SectionX", "Eq", "NONE", 64, "a=b=c"},
    // headers: text after "]" is ignored; without "]" the line is a key
    {"Junk", "J", "NONE", 64, "1"}, {"Open", "A", "NONE", 64, "NONE"},
    {"Junk", "[Open", "NONE", 64, "NONE"}, {"Junk", "; comment", "NONE", 64, "1"},
    // line ends: CR, LF, blank lines, the last line without one
    {"Junk", "A", "NONE", 64, "1"}, {"Junk", "B", "NONE", 64, "2"}, {"Junk", "C", "NONE", 64, "3"},
    {"Junk", "D", "NONE", 64, "4"}, {"Junk", "Last", "NONE", 64, "no line end"},
    // defaults: trailing spaces go, leading ones stay, quotes go; null is empty
    {"SectionX", "Missing", "  def  ", 64, "  def"},
    {"SectionX", "Missing", "\"qdef\"", 64, "qdef"}, {"SectionX", "Missing", nullptr, 64, ""},
    {"Nowhere", "S", "NONE", 64, "NONE"},
    // cut to size - 1 characters
    {"SectionX", "Dup", "NONE", 3, "fi"}, {"SectionX", "Dup", "NONE", 1, ""},
    {"SectionX", "Eq", "NONE", 2, "a"}, {"SectionX", "Missing", "defaulttext", 4, "def"},
    {"SectionX", "ZentorraSupportCode", "NONE", 3, "AB"},
    {"SectionX", "ZentorraSupportCode", "NONE", 5, "ABC"},
    // clang-format on
};

class CapabilityFile : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = hostutil::test::scratch_folder("profile");
    path_ = folder_ + "case.cap";
    std::ofstream out(path_, std::ios::binary);
    out.write(capability_text, sizeof capability_text - 1);
    std::ofstream bom(folder_ + "bom.cap", std::ios::binary);
    bom << "\xEF\xBB\xBF[Capability]\r\nKey=Value\r\n";
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  static inline std::string folder_, path_;
};

TEST_F(CapabilityFile, TheSameAnswersOnBothPorts) {
  ASSERT_FALSE(folder_.empty());
  for (const profile_case& c : cases) {
    char buffer[80];
    std::memset(buffer, '#', sizeof buffer);
    const std::uint32_t n =
        private_profile_string(c.section, c.key, c.default_text, buffer, c.size, path_.c_str());
    const std::string what =
        std::string("[") + c.section + "] " + c.key + " size " + std::to_string(c.size);
    EXPECT_STREQ(buffer, c.expected) << what;
    EXPECT_EQ(n, std::strlen(c.expected)) << what;
    EXPECT_EQ(buffer[c.size], '#') << what << ": written past the buffer";
  }
}

TEST_F(CapabilityFile, MissingFileAndByteOrderMark) {
  char buffer[32];
  const std::string missing = folder_ + "absent.cap";
  EXPECT_EQ(
      private_profile_string("Capability", "Key", "NONE", buffer, sizeof buffer, missing.c_str()),
      4u);
  EXPECT_STREQ(buffer, "NONE");
  const std::string bom = folder_ + "bom.cap";
  EXPECT_EQ(private_profile_string("Capability", "Key", "NONE", buffer, sizeof buffer, bom.c_str()),
            5u);
  EXPECT_STREQ(buffer, "Value");
}

}  // namespace
