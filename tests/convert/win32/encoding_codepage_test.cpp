// The Windows side: the system's UTF-8 conversions agree with the library's own
// codec (which the POSIX port uses), and the ANSI side under code page 932, which
// Wine takes from LANG=ja_JP.UTF-8 when a process starts.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "convert/encoding_samples.h"
#include "hostutil.h"
#include "os/codepage.h"
#include "os/utf_codec.h"
#include "support/child.h"

namespace {

using encoding_test::to_u16;
using encoding_test::units;

constexpr int unavailable = 77;

TEST(EncodingPlatform, SystemAndOwnCodecAgreeOnEveryScalarValue) {
  const units all = encoding_test::every_scalar_value(1);
  const auto n = static_cast<uint32_t>(all.size());
  std::string own(n * 3, '\0'), system(n * 3, '\0');
  const std::size_t own_bytes = hostutil::os::utf16_to_utf8(all.data(), n, own.data(), own.size());
  const uint32_t system_bytes = hostutil::os::from_utf16(
      hostutil::os::code_page::utf8, all.data(), n, system.data(), static_cast<uint32_t>(n * 3));
  ASSERT_EQ(own_bytes, system_bytes);
  EXPECT_TRUE(own == system);
  units own_back(n), system_back(n);
  ASSERT_EQ(hostutil::os::utf8_to_utf16(own.data(), own_bytes, own_back.data(), n), n);
  ASSERT_EQ(hostutil::os::to_utf16(hostutil::os::code_page::utf8, own.data(),
                                   static_cast<uint32_t>(own_bytes), system_back.data(), n),
            n);
  EXPECT_TRUE(own_back == system_back);
}

// The checks run in the child, whose stderr Wine does not connect: what failed
// goes to a result file with the status on its first line.
std::string messages;

int check_cp932() {
  const std::string charset = hostutil::os::ansi_charset();
  if (charset != "CP932") {
    messages = "the ANSI code page is " + charset + ", not CP932\n";
    return unavailable;
  }
  // Kana, kanji, half-width katakana, and a trail byte of 0x5C that is no backslash.
  SemaphoreControlBegin();
  messages = encoding_test::check_ansi_samples({{"\x82\xA0\x83\x41 kana", u"\u3042\u30A2 kana"},
                                                {"\x93\xFA\x96\x7B", u"\u65E5\u672C"},
                                                {"\xB1\xB2", u"\uFF71\uFF72"},
                                                {"\x95\x5C", u"\u8868"}});
  SemaphoreControlEnd();
  return messages.empty() ? 0 : 1;
}

HOSTUTIL_CHILD_ROLE(encoding_cp932) {
  const int status = check_cp932();
  const std::string text = std::to_string(status) + "\n" + messages;
  // Written whole under another name first, so the parent never reads half of it.
  const std::string partial = args[0] + ".part";
  FILE* f = std::fopen(partial.c_str(), "wb");
  if (f == nullptr) return 1;
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (std::fclose(f) != 0 || !written) return 1;
  return MoveFileA(partial.c_str(), args[0].c_str()) ? status : 1;
}

// Wine fixes a process's code page from the Unix locale it starts with, and a
// Windows child inherits its parent's. A Unix program started from Windows gets
// the Windows environment instead, so the child is started through Wine's loader.
bool under_wine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// LANG and LC_ALL set to ja_JP.UTF-8 while it lives, then put back.
class JapaneseEnvironment {
 public:
  JapaneseEnvironment() {
    for (int i = 0; i < 2; ++i) {
      had_[i] =
          GetEnvironmentVariableA(names_[i], old_[i], sizeof old_[i]) - 1 < sizeof old_[i] - 1;
      SetEnvironmentVariableA(names_[i], "ja_JP.UTF-8");
    }
  }
  ~JapaneseEnvironment() {
    for (int i = 0; i < 2; ++i) SetEnvironmentVariableA(names_[i], had_[i] ? old_[i] : nullptr);
  }

 private:
  const char* names_[2] = {"LANG", "LC_ALL"};
  char old_[2][256] = {};
  bool had_[2] = {};
};

// Runs the role under Wine with a Japanese locale; the result file's text, or "".
std::string run_japanese_child(const std::string& result) {
  char loader[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableA("WINELOADER", loader, sizeof loader);
  if (n == 0 || n >= sizeof loader || loader[0] != '/') return std::string();
  std::string program = std::string("Z:") + loader;
  for (char& c : program) c = c == '/' ? '\\' : c;
  std::string command = std::string("\"") + loader + "\" \"" + hostutil::test::self_path() +
                        "\" --child-role encoding_cp932 \"" + result + "\"";
  {
    JapaneseEnvironment japanese;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi)) {
      return std::string();
    }
    // A Unix process cannot be waited for from here; its result file is.
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  for (int i = 0; i < 1200; ++i) {
    if (FILE* f = std::fopen(result.c_str(), "rb")) {
      std::string text;
      char chunk[512];
      for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, f)) > 0;) {
        text.append(chunk, got);
      }
      std::fclose(f);
      DeleteFileA(result.c_str());
      return text;
    }
    Sleep(100);
  }
  return std::string();
}

TEST(EncodingPlatform, AnsiSideUnderCodePage932) {
  if (std::string(hostutil::os::ansi_charset()) == "CP932") {
    EXPECT_EQ(check_cp932(), 0) << messages;
    return;
  }
  if (!under_wine()) GTEST_SKIP() << "this system's ANSI code page is not 932";
  const std::string folder = hostutil::test::scratch_folder("cp932");
  ASSERT_FALSE(folder.empty());
  const std::string text = run_japanese_child(folder + "result.txt");
  RemoveDirectoryA(folder.c_str());
  ASSERT_FALSE(text.empty()) << "the child under Wine's loader gave no result within 120 s";
  const int status = std::atoi(text.c_str());
  if (status == unavailable) {
    GTEST_SKIP() << text << "Wine needs the ja_JP.UTF-8 locale, which scripts/install-deps makes";
  }
  EXPECT_EQ(status, 0) << text;
}

}  // namespace
