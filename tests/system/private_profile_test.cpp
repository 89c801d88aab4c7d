// One table of capability-file answers for our reader and Wine's GetPrivateProfileStringA.
#include "os/private_profile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/child.h"

namespace {

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

TEST(CapabilityFile, TheSameAnswersOnBothPorts) {
  const std::string folder = hostutil::test::scratch_folder("profile");
  ASSERT_FALSE(folder.empty());
  std::ofstream(folder + "case.cap", std::ios::binary)
      .write(capability_text, sizeof capability_text - 1);
  std::ofstream(folder + "bom.cap", std::ios::binary)
      << "\xEF\xBB\xBF[Capability]\r\nKey=Value\r\n";
  for (const auto& c : cases) {
    const std::string path = folder + c.file;
    char buffer[80];
    std::memset(buffer, '#', sizeof buffer);
    const std::uint32_t n = hostutil::os::private_profile_string(c.section, c.key, c.default_text,
                                                                 buffer, c.size, path.c_str());
    const std::string what =
        std::string("[") + c.section + "] " + c.key + " " + std::to_string(c.size);
    EXPECT_STREQ(buffer, c.expected) << what;
    EXPECT_EQ(n, std::strlen(c.expected)) << what;
    EXPECT_EQ(buffer[c.size], '#') << what << ": written past the buffer";
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

}  // namespace
