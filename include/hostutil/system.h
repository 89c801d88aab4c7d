/** \file hostutil/system.h
 *  \brief System information, the user group and printers. */
#ifndef HOSTUTIL_SYSTEM_H
#define HOSTUTIL_SYSTEM_H

#include "abi.h"

/** \name GetPortKind's results
 *  @{ */
#define HOSTUTIL_PORT_UNKNOWN 0u  /**< none of the kinds below */
#define HOSTUTIL_PORT_NETWORK 1u  /**< a network address (dotted IPv4) */
#define HOSTUTIL_PORT_USB 2u      /**< a USB port */
#define HOSTUTIL_PORT_PARALLEL 3u /**< a parallel port */
/** @} */

/** \name GetOSVer's code: platform in bits 24 to 31, release in 16 to 23, edition in 0 to 15
 *  @{ */
/** The platform part of a GetOSVer code. */
#define HOSTUTIL_OSVER_PLATFORM(code) (((uint32_t)(code) >> 24) & 0xFFu)
#define HOSTUTIL_OSVER_PLATFORM_WIN32S 1u /**< Win32s */
#define HOSTUTIL_OSVER_PLATFORM_WIN9X 2u  /**< the Windows 95 family */
#define HOSTUTIL_OSVER_PLATFORM_NT 3u     /**< the Windows NT family */
/** @} */

/** \name GetCurrentUserGroup's results
 *  @{ */
#define HOSTUTIL_GROUP_ADMINISTRATORS 544u /**< the caller has administrator access */
#define HOSTUTIL_GROUP_USERS 545u          /**< the caller is an ordinary user */
#define HOSTUTIL_GROUP_NONE 0xFFFFFFFFu    /**< the system has no such groups */
/** @} */

HOSTUTIL_BEGIN_DECLS

/* ---- System information ---- */

/** The system folder.
 *  \param buffer receives the folder and a NUL.
 *  \param bufferSize the size of buffer in bytes.
 *  \return its length; the size needed when it does not fit; 0 on failure. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetSystemDirectoryEx(char* buffer, uint32_t bufferSize);
/** The computer name.
 *  \param buffer receives the name and a NUL.
 *  \param size in: the size of buffer in bytes; out: the name's length, or the size needed
 *         when it does not fit.
 *  \return nonzero on success, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetComputerNameExEx(char* buffer, uint32_t* size);
/** The network host name.
 *  \param buffer receives the name and a NUL.
 *  \param bufferSize the size of buffer in bytes.
 *  \return 1 when written, 0 when not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetHostNameEx(char* buffer, uint32_t bufferSize);
/** The host's first IPv4 address.
 *  \param buffer receives the address as dotted decimal text and a NUL; 16 bytes or more.
 *  \param bufferSize the size of buffer in bytes.
 *  \return 1 when the look-up ran, 0 when not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetIPAddress(char* buffer, uint32_t bufferSize);
/** The operating system.
 *  \return its code (see HOSTUTIL_OSVER_PLATFORM); 0 when it is not known. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetOSVer(void);
/** The width of the current display mode.
 *  \return the width in pixels. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetDisplayWidth(void);
/** The height of the current display mode.
 *  \return the height in pixels. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetDisplayHeight(void);
/** Both dimensions of the current display mode.
 *  \param width receives the width in pixels.
 *  \param height receives the height in pixels.
 *  \return 1 when written, 0 when either pointer is null. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetDisplaySize(uint32_t* width, uint32_t* height);
/** Whether the user's language writes with double-byte characters.
 *  \return 1 for Japanese, Chinese or Korean, or when the language cannot be read; else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL LanguageIs2Byte(void);
/** Whether the user's language is Japanese.
 *  \return 1 for Japanese, or when the language cannot be read; else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL LanguageIsJapanese(void);

/* ---- User group ---- */

/** The caller's user group.
 *  \return HOSTUTIL_GROUP_ADMINISTRATORS when the caller has administrator access,
 *          HOSTUTIL_GROUP_USERS when not, HOSTUTIL_GROUP_NONE on a system without such
 *          groups. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetCurrentUserGroup(void);

/* ---- Printer ports and drivers ---- */

/** The kind of a port name.
 *  \param portName the port's name.
 *  \return a HOSTUTIL_PORT_* value. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetPortKind(const char* portName);
/** The installed printer reached through a port: by the port's name or, for a network
 *  address, by its driver's address plug-in.
 *  \param portName the port's name or network address; not empty.
 *  \param capabilityPattern a file-name pattern for the drivers' capability files; not
 *         empty.
 *  \param supportCode the support code a capability file must accept; not empty.
 *  \param printerName cleared over printerNameSize bytes, then receives the printer's name.
 *  \param printerNameSize the size of printerName in bytes; not 0.
 *  \param printerPort cleared over printerPortSize bytes, then receives the printer's whole
 *         port name as the platform lists it (which may name several ports).
 *  \param printerPortSize the size of printerPort in bytes; not 0.
 *  \return 1 when a printer was found, 0 when not or an argument is missing. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GetLogicalPrinterAndPortName(
    const char* portName, const char* capabilityPattern, const char* supportCode, char* printerName,
    uint32_t printerNameSize, char* printerPort, uint32_t printerPortSize);
/** Whether GetLogicalPrinterAndPortName finds a printer.
 *  \param portName the port's name or network address.
 *  \param capabilityPattern a file-name pattern for the drivers' capability files.
 *  \param supportCode the support code a capability file must accept.
 *  \return 1 when a printer is found, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DeviceDriverIsExist(const char* portName,
                                                        const char* capabilityPattern,
                                                        const char* supportCode);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_SYSTEM_H */
