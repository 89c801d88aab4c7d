// Machine queries on Windows: each is the one platform call the library has
// always made, so that answers, sizes and last errors are the platform's own.
// The administrators check builds its descriptor in memory and asks AccessCheck.
#include "os/sysinfo.h"

#include <windows.h>
#include <winsock2.h>

#include <climits>
#include <cstring>

namespace hostutil::os {

namespace {

DWORD clamp_to_int(std::uint32_t size) { return size > INT_MAX ? INT_MAX : size; }

// The private access bits of the check's descriptor.
constexpr DWORD access_read = 1;
constexpr DWORD access_write = 2;

static_assert(sizeof(PRIVILEGE_SET) == 20, "AccessCheck is told the set is 20 bytes");

// Everything the check obtains, given back on every path.
struct access_check_objects {
  HANDLE token = nullptr;
  HANDLE impersonation = nullptr;
  PSID administrators = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  PACL list = nullptr;

  access_check_objects() = default;
  access_check_objects(const access_check_objects&) = delete;
  access_check_objects& operator=(const access_check_objects&) = delete;
  ~access_check_objects() {
    if (list != nullptr) LocalFree(list);
    if (descriptor != nullptr) LocalFree(descriptor);
    if (administrators != nullptr) FreeSid(administrators);
    if (impersonation != nullptr) CloseHandle(impersonation);
    if (token != nullptr) CloseHandle(token);
  }
};

}  // namespace

std::uint32_t system_folder(char* buffer, std::uint32_t size) {
  return GetSystemDirectoryA(buffer, size);
}

bool computer_name(char* buffer, std::uint32_t* size) {
  DWORD n = *size;
  const BOOL ok = GetComputerNameA(buffer, &n);
  *size = n;
  return ok != FALSE;
}

namespace {

// One use of the sockets interface, ended on every path once it has started.
class sockets_session {
 public:
  sockets_session() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(1, 1), &data) == 0;
  }
  ~sockets_session() {
    if (started_) WSACleanup();
  }
  sockets_session(const sockets_session&) = delete;
  sockets_session& operator=(const sockets_session&) = delete;
  explicit operator bool() const { return started_; }

 private:
  bool started_;
};

}  // namespace

bool host_name(char* buffer, std::uint32_t size) {
  const sockets_session sockets;
  return sockets && gethostname(buffer, static_cast<int>(clamp_to_int(size))) == 0;
}

bool first_ipv4_address(const char* host, char (&text)[16]) {
  const sockets_session sockets;
  if (!sockets) return false;
  const hostent* entry = gethostbyname(host);
  if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) {
    return false;
  }
  in_addr address;
  std::memcpy(&address, entry->h_addr_list[0], sizeof address);
  const char* dotted = inet_ntoa(address);
  if (dotted == nullptr) return false;
  const std::size_t n = std::strlen(dotted);
  if (n >= sizeof text) return false;
  std::memcpy(text, dotted, n + 1);
  return true;
}

bool version(version_record& record) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) return false;
  record.platform_id = info.dwPlatformId;
  record.major = info.dwMajorVersion;
  record.minor = info.dwMinorVersion;
  record.build = info.dwBuildNumber;
  static_assert(sizeof record.service_pack == sizeof info.szCSDVersion);
  std::memcpy(record.service_pack, info.szCSDVersion, sizeof record.service_pack);
  record.service_pack[sizeof record.service_pack - 1] = '\0';
  return true;
}

void display_mode(std::uint32_t& width, std::uint32_t& height) {
  // The answer of the query is not looked at: a failed query leaves zeros.
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode);
  width = mode.dmPelsWidth;
  height = mode.dmPelsHeight;
}

int language_name(char* buffer, std::uint32_t size) {
  return GetLocaleInfoA(0, LOCALE_SABBREVLANGNAME, buffer, static_cast<int>(clamp_to_int(size)));
}

bool administrators_access() {
  access_check_objects o;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_DUPLICATE | TOKEN_QUERY, TRUE, &o.token)) {
    o.token = nullptr;
    if (GetLastError() != ERROR_NO_TOKEN) return false;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &o.token)) {
      o.token = nullptr;
      return false;
    }
  }
  // AccessCheck wants an impersonation token.
  if (!DuplicateToken(o.token, SecurityImpersonation, &o.impersonation)) {
    o.impersonation = nullptr;
    return false;
  }
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  if (!AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &o.administrators)) {
    o.administrators = nullptr;
    return false;
  }
  o.descriptor = LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH);
  if (o.descriptor == nullptr ||
      !InitializeSecurityDescriptor(o.descriptor, SECURITY_DESCRIPTOR_REVISION)) {
    return false;
  }
  // The list header, one access-allowed entry and the SID, less the entry's
  // first SID word.
  const DWORD list_size = GetLengthSid(o.administrators) + 16;
  o.list = static_cast<PACL>(LocalAlloc(LPTR, list_size));
  if (o.list == nullptr || !InitializeAcl(o.list, list_size, ACL_REVISION2)) return false;
  if (!AddAccessAllowedAce(o.list, ACL_REVISION2, access_read | access_write, o.administrators)) {
    return false;
  }
  if (!SetSecurityDescriptorDacl(o.descriptor, TRUE, o.list, FALSE)) return false;
  SetSecurityDescriptorGroup(o.descriptor, o.administrators, FALSE);
  SetSecurityDescriptorOwner(o.descriptor, o.administrators, FALSE);
  if (!IsValidSecurityDescriptor(o.descriptor)) return false;

  GENERIC_MAPPING mapping{access_read, access_write, 0, access_read | access_write};
  PRIVILEGE_SET privileges{};
  DWORD privileges_length = sizeof privileges;
  DWORD granted = 0;
  BOOL status = FALSE;
  if (!AccessCheck(o.descriptor, o.impersonation, access_read, &mapping, &privileges,
                   &privileges_length, &granted, &status)) {
    status = FALSE;
  }
  return status != FALSE;
}

}  // namespace hostutil::os
