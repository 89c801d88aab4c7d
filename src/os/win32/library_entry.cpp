// The DLL's entry point: it sets nothing up and gives nothing back; the host
// calls SemaphoreControlBegin and SemaphoreControlEnd itself.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
