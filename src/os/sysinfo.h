// Machine queries in the library's terms: the system folder, the computer and
// host names, the host's address, the version record, the display mode, the
// user's language and the administrators access check.
#pragma once

#include <cstdint>

namespace hostutil::os {

// The operating system's version record, field for field as GetVersionExA
// fills OSVERSIONINFOA.
struct version_record {
  std::uint32_t platform_id;  // 0 Win32s, 1 Windows 95/98/Me, 2 NT; others elsewhere
  std::uint32_t major;
  std::uint32_t minor;
  std::uint32_t build;     // all 32 bits as the system gives them
  char service_pack[128];  // NUL-terminated, "Service Pack 6" and the like
};

// The platform id the POSIX port reports: none of the Windows ids.
constexpr std::uint32_t platform_posix = 0x100;

// The folder of the system's own libraries. Result: its length without the
// NUL when it fits in size bytes (then written with its NUL); the size needed,
// NUL included, when it does not (nothing written); 0 on failure.
std::uint32_t system_folder(char* buffer, std::uint32_t size);

// The computer's name. *size is the buffer's size in; out, the name's length
// without its NUL on success, or the size needed (NUL included) when the
// buffer is too small, which fails.
bool computer_name(char* buffer, std::uint32_t* size);


// The network host name and its NUL; false when it cannot be had or does not
// fit in size bytes.
bool host_name(char* buffer, std::uint32_t size);

// The first IPv4 address of host as dotted decimal text; false when the host
// has none or it cannot be written as text.
bool first_ipv4_address(const char* host, char (&text)[16]);

// The version record; false when it cannot be read.
bool version(version_record& record);

// The current display mode; 0 for what cannot be had.
void display_mode(std::uint32_t& width, std::uint32_t& height);

// The three-letter abbreviated name of the user's language ("ENU", "JPN") and
// its NUL. Result: characters written, NUL included; 0 when there is no name.
int language_name(char* buffer, std::uint32_t size);

// True when the caller's token would be granted access to an object that
// grants access to the Administrators group alone.
bool administrators_access();


}  // namespace hostutil::os
