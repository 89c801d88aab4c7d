// The machine queries against a stand-in system: checks, clearing, sizes, socket balance.
#include "os/sysinfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hostutil.h"

namespace {

namespace os = hostutil::os;
using std::string;

// Answers as each test sets; counts socket starts and ends and display queries.
class StandIn : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = os::sysinfo_syscalls();
    starts_ = ends_ = display_queries_ = 0;
    start_ok_ = true;
    host_ = "build-host";
    address_ = "10.20.30.40";
    language_ = "ENU";
    auto& calls = os::sysinfo_syscalls();
    calls.sockets_start = [] {
      ++starts_;
      return start_ok_;
    };
    calls.sockets_end = [] { ++ends_; };
    calls.host_name = [](char* buffer, std::uint32_t size) {
      if (host_ == nullptr || std::strlen(host_) >= size) return false;
      std::strcpy(buffer, host_);
      return true;
    };
    calls.first_ipv4_address = [](const char*, char(&text)[16]) {
      if (address_ == nullptr) return false;
      std::strcpy(text, address_);
      return true;
    };
    calls.display_mode = [](std::uint32_t& width, std::uint32_t& height) {
      ++display_queries_;
      width = 1920;
      height = 1080;
    };
    calls.language_name = [](char* buffer, std::uint32_t size) {
      if (language_ == nullptr) return 0;
      std::strncpy(buffer, language_, size);
      return static_cast<int>(std::strlen(language_) + 1);
    };
  }
  void TearDown() override { os::sysinfo_syscalls() = saved_; }

  static inline int starts_ = 0, ends_ = 0, display_queries_ = 0;
  static inline bool start_ok_ = true;
  static inline const char* host_ = nullptr;
  static inline const char* address_ = nullptr;
  static inline const char* language_ = nullptr;

 private:
  os::sysinfo_calls saved_{};
};

TEST_F(StandIn, IpAddressChecksAndSocketBalance) {
  EXPECT_EQ(GetIPAddress(nullptr, 16), 0u);
  EXPECT_EQ(starts_, 0);  // refused before the sockets interface is started

  char buffer[20];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(GetIPAddress(buffer, 16), 1u);
  EXPECT_EQ(string(buffer, 20), "10.20.30.40" + string(5, '\0') + "xxxx");
  EXPECT_EQ(starts_, 1);
  EXPECT_EQ(ends_, 1);

  // No address: the look-up ran, the buffer stays cleared.
  address_ = nullptr;
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(GetIPAddress(buffer, 16), 1u);
  EXPECT_EQ(string(buffer, 20), string(16, '\0') + "xxxx");
  EXPECT_EQ(ends_, 2);

  // No host name: 0, and the interface is still ended.
  host_ = nullptr;
  EXPECT_EQ(GetIPAddress(buffer, 16), 0u);
  EXPECT_EQ(starts_, 3);
  EXPECT_EQ(ends_, 3);

  // The interface does not start: 0, and nothing to end.
  host_ = "build-host";
  start_ok_ = false;
  EXPECT_EQ(GetIPAddress(buffer, 16), 0u);
  EXPECT_EQ(starts_, 4);
  EXPECT_EQ(ends_, 3);
}

TEST_F(StandIn, IpAddressNeverPastASmallBuffer) {
  address_ = "192.168.100.200";  // 15 characters
  char buffer[24];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(GetIPAddress(buffer + 4, 15), 1u);  // one short: cleared, no cut address
  EXPECT_EQ(string(buffer, 24), "xxxx" + string(15, '\0') + "xxxxx");
  EXPECT_EQ(GetIPAddress(buffer + 4, 16), 1u);
  EXPECT_EQ(string(buffer, 24), "xxxx192.168.100.200" + string(1, '\0') + "xxxx");
  EXPECT_EQ(GetIPAddress(buffer + 4, 0), 1u);
  EXPECT_EQ(string(buffer, 24), "xxxx192.168.100.200" + string(1, '\0') + "xxxx");
  EXPECT_EQ(starts_, ends_);
}

TEST_F(StandIn, HostNameClearsTheWholeBufferAndEndsTheInterface) {
  EXPECT_EQ(GetHostNameEx(nullptr, 64), 0u);
  EXPECT_EQ(starts_, 0);

  char buffer[32];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(GetHostNameEx(buffer, 31), 1u);
  EXPECT_EQ(string(buffer, 32), "build-host" + string(21, '\0') + "x");

  // Too small for the name with its NUL: 0, and nothing past the size given.
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(GetHostNameEx(buffer, 10), 0u);
  EXPECT_EQ(string(buffer + 10, 22), string(22, 'x'));
  start_ok_ = false;
  EXPECT_EQ(GetHostNameEx(buffer, 31), 0u);
  EXPECT_EQ(starts_, 3);
  EXPECT_EQ(ends_, 2);
}

TEST_F(StandIn, DisplaySizeAsksTwiceAndRefusesAMissingPointer) {
  std::uint32_t width = 7, height = 7;
  EXPECT_EQ(GetDisplaySize(&width, nullptr), 0u);
  EXPECT_EQ(GetDisplaySize(nullptr, &height), 0u);
  EXPECT_EQ(width, 7u);
  EXPECT_EQ(height, 7u);
  EXPECT_EQ(display_queries_, 0);
  EXPECT_EQ(GetDisplaySize(&width, &height), 1u);
  EXPECT_EQ(width, 1920u);
  EXPECT_EQ(height, 1080u);
  EXPECT_EQ(display_queries_, 2);
  EXPECT_EQ(GetDisplayWidth(), 1920u);
  EXPECT_EQ(GetDisplayHeight(), 1080u);
}

TEST_F(StandIn, LanguageNames) {
  struct {
    const char* name;
    std::uint32_t two_byte, japanese;
  } const cases[] = {
      {"JPN", 1, 1}, {"jpn", 1, 1}, {"CHN", 1, 0}, {"CHT", 1, 0}, {"cht", 1, 0},  {"KOR", 1, 0},
      {"CHS", 0, 0}, {"ENU", 0, 0}, {"DEU", 0, 0}, {"JP", 0, 0},  {"JPNX", 0, 0}, {"", 0, 0},
  };
  for (const auto& c : cases) {
    language_ = c.name;
    EXPECT_EQ(LanguageIs2Byte(), c.two_byte) << c.name;
    EXPECT_EQ(LanguageIsJapanese(), c.japanese) << c.name;
  }
  // A language that cannot be read counts as a yes for both.
  language_ = nullptr;
  EXPECT_EQ(LanguageIs2Byte(), 1u);
  EXPECT_EQ(LanguageIsJapanese(), 1u);
}

}  // namespace
