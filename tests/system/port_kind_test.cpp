// GetPortKind's whole table: USB and LPT anywhere in any case, the first to
// begin deciding, and the dotted address test with its empty parts and its
// one trailing dot.
#include <gtest/gtest.h>

#include "hostutil.h"

namespace {

TEST(PortKind, WholeTable) {
  const struct {
    const char* name;
    std::uint32_t kind;
  } cases[] = {
      {"", HOSTUTIL_PORT_UNKNOWN},
      // USB and LPT: anywhere, any case; the one that begins first decides
      {"USB001", HOSTUTIL_PORT_USB},
      {"WSD-usb-printer", HOSTUTIL_PORT_USB},
      {"xUsB", HOSTUTIL_PORT_USB},
      {"1.2.usb", HOSTUTIL_PORT_USB},
      {"US", HOSTUTIL_PORT_UNKNOWN},
      {"U S B", HOSTUTIL_PORT_UNKNOWN},
      {"LPT1:", HOSTUTIL_PORT_PARALLEL},
      {"lpt", HOSTUTIL_PORT_PARALLEL},
      {"LPTUSB", HOSTUTIL_PORT_PARALLEL},
      {"xxLPTUSB", HOSTUTIL_PORT_PARALLEL},
      {"USBLPT", HOSTUTIL_PORT_USB},
      {"ULPT", HOSTUTIL_PORT_PARALLEL},
      // dotted IPv4 addresses
      {"192.168.0.10", HOSTUTIL_PORT_NETWORK},
      {"0.0.0.0", HOSTUTIL_PORT_NETWORK},
      {"255.255.255.255", HOSTUTIL_PORT_NETWORK},
      {"001.002.003.004", HOSTUTIL_PORT_NETWORK},
      {"1..2.3", HOSTUTIL_PORT_NETWORK},  // an empty part counts as 0
      {"...", HOSTUTIL_PORT_NETWORK},
      {"1.2.3.", HOSTUTIL_PORT_NETWORK},
      {"1.2.3.4.", HOSTUTIL_PORT_NETWORK},  // one dot after the fourth part
      {"1.2.3.4..", HOSTUTIL_PORT_UNKNOWN},
      {"1.2.3", HOSTUTIL_PORT_UNKNOWN},
      {"1.2.3.4.5", HOSTUTIL_PORT_UNKNOWN},
      {"256.1.1.1", HOSTUTIL_PORT_UNKNOWN},
      {"1.2.3.256", HOSTUTIL_PORT_UNKNOWN},
      {"1234.1.1.1", HOSTUTIL_PORT_UNKNOWN},
      {"1.2.3.0255", HOSTUTIL_PORT_UNKNOWN},
      {"1.2.3.-1", HOSTUTIL_PORT_UNKNOWN},
      {"1.2.3.4 ", HOSTUTIL_PORT_UNKNOWN},
      {"192.168.0.10:9100", HOSTUTIL_PORT_UNKNOWN},
      {"IP_192.168.0.10", HOSTUTIL_PORT_UNKNOWN},
      {"COM1", HOSTUTIL_PORT_UNKNOWN},
      {"FILE:", HOSTUTIL_PORT_UNKNOWN},
  };
  EXPECT_EQ(GetPortKind(nullptr), HOSTUTIL_PORT_UNKNOWN);
  for (const auto& c : cases) EXPECT_EQ(GetPortKind(c.name), c.kind) << '"' << c.name << '"';
}

}  // namespace
