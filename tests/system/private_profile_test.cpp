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

// Section, key, default text, buffer size, the text read.
const struct { const char *section, *key, *default_text; std::uint32_t size; const char* expected; } cases[] = {
    // names: blanks round them and case do not count
    {"Capability", "Model X", "NONE", 64, "SectionX"}, {"capability", " model x ", "NONE", 64, "SectionX"},
    {"Capability", "MODEL Y", "NONE", 64, "SectionY"}, {"Capability", "Tabbed", "NONE", 64, "T1"},
    {" Spaced ", "s", "NONE", 64, "1"},
    // the first of two sections of one name is the only one read
    {"Capability", "Model Z", "NONE", 64, "NONE"},     {"SectionX", "Late", "NONE", 64, "NONE"},
    {"Capability", "Spare", "default", 64, "NONE"},  // a value, whatever it says
    // quotes: one matching pair round the value goes
    {"SectionX", "ZentorraSupportCode", "NONE", 64, "ABC"}, {"SectionX", "GetIPDll", "NONE", 64, "plugin.dll"},
    {"SectionX", "Quoted", "NONE", 64, "\"only leading"},   {"SectionX", "Mixed", "NONE", 64, "\"abc'"},
    {"SectionX", "EmptyQuotes", "NONE", 64, ""},            {"SectionX", "OneQuote", "NONE", 64, "\""},
    {"SectionX", "Inner", "NONE", 64, "a \"b\" c"},
    // a NUL byte ends the value; the quotes are judged on what is left
    {"SectionX", "Nul", "NONE", 64, "ab"}, {"SectionX", "NulQuoted", "NONE", 64, "\"x"},
    {"SectionX", "NulBlank", "NONE", 64, "ab "},
    // values: the first key wins, even without one
    {"SectionX", "NoValue", "NONE", 64, "NONE"}, {"SectionX", "Empty", "NONE", 64, ""},
    {"SectionX", "Dup", "NONE", 64, "first"},    {"SectionX", "Eq", "NONE", 64, "a=b=c"},
    // headers: text after "]" is ignored; without "]" the line is a key; ";" starts no comment
    {"Junk", "J", "NONE", 64, "1"}, {"Open", "A", "NONE", 64, "NONE"}, {"Junk", "[Open", "NONE", 64, "NONE"},
    {"Junk", "; comment", "NONE", 64, "1"},
    // line ends: CR, LF, blank lines, the last line without one
    {"Junk", "A", "NONE", 64, "1"}, {"Junk", "B", "NONE", 64, "2"}, {"Junk", "C", "NONE", 64, "3"},
    {"Junk", "D", "NONE", 64, "4"}, {"Junk", "Last", "NONE", 64, "no line end"},
    // defaults: trailing spaces go, leading ones stay, quotes go; null is empty
    {"SectionX", "Missing", "  def  ", 64, "  def"}, {"SectionX", "Missing", "\"qdef\"", 64, "qdef"},
    {"SectionX", "Missing", nullptr, 64, ""},        {"Nowhere", "S", "NONE", 64, "NONE"},
    // cut to size - 1 characters
    {"SectionX", "Dup", "NONE", 3, "fi"},  {"SectionX", "Dup", "NONE", 1, ""},
    {"SectionX", "Missing", "defaulttext", 4, "def"}, {"SectionX", "ZentorraSupportCode", "NONE", 3, "AB"},
    {"SectionX", "ZentorraSupportCode", "NONE", 5, "ABC"},
    // a missing file gives the default; a byte-order mark is not part of the first line
    {"Capability", "Key", "NONE", 64, "NONE"}, {"Capability", "Key", "NONE", 64, "Value"},
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
    // The last two cases: no file at all, and the file with the mark.
    const std::string path = folder + (&c == &cases[std::size(cases) - 2]   ? "absent.cap"
                                       : &c == &cases[std::size(cases) - 1] ? "bom.cap"
                                                                            : "case.cap");
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
