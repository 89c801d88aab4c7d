// The session's named semaphores as the object manager lists them. The library
// makes every semaphore with a maximum count of 2, which is how its objects are
// told from other programs' semaphores. Windows cannot say which processes hold
// a handle without a walk of every handle in the system, so that stays unknown.
#include "os/named_objects.h"

#include <windows.h>

namespace hostutil::os {
namespace {

struct counted_text {  // UNICODE_STRING
  USHORT length;
  USHORT capacity;
  PWSTR text;
};
struct object_attributes {  // OBJECT_ATTRIBUTES
  ULONG size;
  HANDLE root;
  counted_text* name;
  ULONG attributes;
  PVOID security;
  PVOID quality;
};
struct directory_entry {  // OBJECT_DIRECTORY_INFORMATION
  counted_text name;
  counted_text type;
};
struct semaphore_state {  // SEMAPHORE_BASIC_INFORMATION
  LONG count;
  LONG maximum;
};
struct object_state {  // OBJECT_BASIC_INFORMATION
  ULONG attributes;
  ACCESS_MASK access;
  ULONG handles;
  ULONG references;
  ULONG reserved[10];
};

using nt_open = LONG(NTAPI*)(HANDLE*, ACCESS_MASK, object_attributes*);
using nt_query_directory = LONG(NTAPI*)(HANDLE, PVOID, ULONG, BOOLEAN, BOOLEAN, ULONG*, ULONG*);
using nt_query = LONG(NTAPI*)(HANDLE, int, PVOID, ULONG, ULONG*);

constexpr ACCESS_MASK directory_query = 0x0001;
constexpr ACCESS_MASK semaphore_query = 0x0001;

template <typename F>
F ntdll(const char* name) {
  return reinterpret_cast<F>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}

std::string narrow(const counted_text& t) {
  const int wide = t.length / 2;
  const int n = WideCharToMultiByte(CP_ACP, 0, t.text, wide, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, t.text, wide, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

std::vector<named_object> list_named_objects() {
  std::vector<named_object> objects;
  const auto open_directory = ntdll<nt_open>("NtOpenDirectoryObject");
  const auto query_directory = ntdll<nt_query_directory>("NtQueryDirectoryObject");
  const auto open_semaphore = ntdll<nt_open>("NtOpenSemaphore");
  const auto query_semaphore = ntdll<nt_query>("NtQuerySemaphore");
  const auto query_object = ntdll<nt_query>("NtQueryObject");
  if (!open_directory || !query_directory || !open_semaphore || !query_semaphore || !query_object) {
    return objects;
  }
  DWORD session = 0;
  ProcessIdToSessionId(GetCurrentProcessId(), &session);
  const std::wstring folder = L"\\Sessions\\" + std::to_wstring(session) + L"\\BaseNamedObjects";
  counted_text folder_name{static_cast<USHORT>(folder.size() * 2),
                           static_cast<USHORT>(folder.size() * 2),
                           const_cast<PWSTR>(folder.c_str())};
  object_attributes where{sizeof(object_attributes), nullptr, &folder_name, 0, nullptr, nullptr};
  HANDLE dir = nullptr;
  if (open_directory(&dir, directory_query, &where) < 0) return objects;

  alignas(8) unsigned char entry[4096];
  ULONG context = 0;
  for (BOOLEAN first = TRUE;; first = FALSE) {
    if (query_directory(dir, entry, sizeof entry, TRUE, first, &context, nullptr) != 0) break;
    auto& e = *reinterpret_cast<directory_entry*>(entry);
    if (narrow(e.type) != "Semaphore") continue;
    object_attributes at{sizeof(object_attributes), dir, &e.name, 0, nullptr, nullptr};
    HANDLE h = nullptr;
    if (open_semaphore(&h, semaphore_query, &at) < 0) continue;
    semaphore_state s{};
    object_state o{};
    if (query_semaphore(h, 0, &s, sizeof s, nullptr) >= 0 && s.maximum == 2) {
      named_object found{narrow(e.name), narrow(folder_name) + "\\" + narrow(e.name), s.count,
                         s.maximum};
      if (query_object(h, 0, &o, sizeof o, nullptr) >= 0 && o.handles > 0) {
        found.handles = o.handles - 1;  // not the one just opened to ask
      }
      objects.push_back(std::move(found));
    }
    CloseHandle(h);
  }
  CloseHandle(dir);
  return objects;
}

}  // namespace hostutil::os
