/* hostutil/system.h - system information, the user group and printers. */
#ifndef HOSTUTIL_SYSTEM_H
#define HOSTUTIL_SYSTEM_H

#include "abi.h"

/* GetPortKind */
#define HOSTUTIL_PORT_UNKNOWN 0u
#define HOSTUTIL_PORT_NETWORK 1u
#define HOSTUTIL_PORT_USB 2u
#define HOSTUTIL_PORT_PARALLEL 3u

/* GetOSVer: platform in bits 24 to 31, release in 16 to 23, edition in 0 to 15. */
#define HOSTUTIL_OSVER_PLATFORM(code) (((uint32_t)(code) >> 24) & 0xFFu)
#define HOSTUTIL_OSVER_PLATFORM_WIN32S 1u
#define HOSTUTIL_OSVER_PLATFORM_WIN9X 2u
#define HOSTUTIL_OSVER_PLATFORM_NT 3u

/* GetCurrentUserGroup */
#define HOSTUTIL_GROUP_ADMINISTRATORS 544u
#define HOSTUTIL_GROUP_USERS 545u
#define HOSTUTIL_GROUP_NONE 0xFFFFFFFFu

HOSTUTIL_BEGIN_DECLS

/* ---- System information ---- */

/* The system folder. Result: its length, the size needed when it does not fit, or 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetSystemDirectoryEx(char* buffer, uint32_t bufferSize);
/* The computer name; *size is the buffer size in, the name's length (or the size needed)
   out. Nonzero on success, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetComputerNameExEx(char* buffer, uint32_t* size);
/* The network host name. 1 = written, 0 = not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetHostNameEx(char* buffer, uint32_t bufferSize);
/* The host's first IPv4 address as dotted decimal text (buffer of 16 bytes or more).
   1 = the look-up ran, 0 = not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetIPAddress(char* buffer, uint32_t bufferSize);
/* The operating-system code (see HOSTUTIL_OSVER_PLATFORM); 0 when unknown. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetOSVer(void);
/* The width of the current display mode in pixels. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetDisplayWidth(void);
/* The height of the current display mode in pixels. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetDisplayHeight(void);
/* Both display dimensions. 1 = written, 0 when either pointer is null. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetDisplaySize(uint32_t* width, uint32_t* height);
/* 1 when the user's language is Japanese, Chinese or Korean (or cannot be read), else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL LanguageIs2Byte(void);
/* 1 when the user's language is Japanese (or cannot be read), else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL LanguageIsJapanese(void);

/* ---- User group ---- */

/* HOSTUTIL_GROUP_ADMINISTRATORS when the caller has administrator access,
   HOSTUTIL_GROUP_USERS when not, HOSTUTIL_GROUP_NONE on a system without such groups. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetCurrentUserGroup(void);

/* ---- Printer ports and drivers ---- */

/* The kind of a port name: a HOSTUTIL_PORT_* value. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetPortKind(const char* portName);
/* The installed printer reached through portName, by port name or, for a network address,
   by its driver's address plug-in. 1 = found (name and full port name written), 0 = not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetLogicalPrinterAndPortName(
    const char* portName, const char* capabilityPattern, const char* supportCode, char* printerName,
    uint32_t printerNameSize, char* printerPort, uint32_t printerPortSize);
/* 1 when GetLogicalPrinterAndPortName finds a printer, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DeviceDriverIsExist(const char* portName,
                                                        const char* capabilityPattern,
                                                        const char* supportCode);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_SYSTEM_H */
