// GetPortKind: USB and LPT anywhere in any case, and the dotted address test.
#include <gtest/gtest.h>

#include <vector>

#include "hostutil.h"

namespace {

TEST(PortKind, WholeTable) {
  const std::vector<std::pair<std::uint32_t, std::vector<const char*>>> cases = {
      {HOSTUTIL_PORT_USB, {"USB001", "WSD-usb-printer", "xUsB", "1.2.usb", "USBLPT"}},
      {HOSTUTIL_PORT_PARALLEL, {"LPT1:", "lpt", "LPTUSB", "xxLPTUSB", "ULPT"}},
      // An empty part counts as 0; one dot may follow the fourth part.
      {HOSTUTIL_PORT_NETWORK,
       {"192.168.0.10", "0.0.0.0", "255.255.255.255", "001.002.003.004", "1..2.3", "...", "1.2.3.",
        "1.2.3.4."}},
      {HOSTUTIL_PORT_UNKNOWN,
       {"", "US", "U S B", "COM1", "FILE:", "1.2.3.4..", "1.2.3", "1.2.3.4.5", "256.1.1.1",
        "1.2.3.256", "1234.1.1.1", "1.2.3.0255", "1.2.3.-1", "1.2.3.4 ", "192.168.0.10:9100",
        "IP_192.168.0.10"}},
  };
  EXPECT_EQ(GetPortKind(nullptr), HOSTUTIL_PORT_UNKNOWN);
  for (const auto& [kind, names] : cases) {
    for (const char* name : names) EXPECT_EQ(GetPortKind(name), kind) << '"' << name << '"';
  }
}

}  // namespace
