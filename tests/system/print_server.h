// The tests' private print server (cups-server.sh) as the printer tests see it.
#pragma once

#include <string>

namespace hostutil::test {

// The printers, in the order the system lists them.
inline const char* const test_printers[] = {"hu-lpt", "hu-net", "hu-net2",
                                            "hu-raw", "hu-usb", "hu-usb2"};

// What the test plug-in answers: for hu-lpt it answers 0, and hu-usb's
// address differs from hu-net's in its text alone.
inline const char* const plugin_addresses =
    "hu-lpt=0;hu-net=127.0.0.10;hu-net2=127.0.0.11;hu-raw=127.0.0.12;"
    "hu-usb=127.0.0.010;hu-usb2=127.0.0.13";

// Makes the server reachable from this process and hands the plug-in its
// addresses. False, with the reason, when there is no server to test with.
bool use_print_server(std::string& reason);

// A file's path in a folder as the system writes it.
std::string path_in(const std::string& folder, const std::string& name);

}  // namespace hostutil::test
