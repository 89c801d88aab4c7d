/* hostutil.h - the public C interface of hostutil.dll and libhostutil.so.
 *
 * Every exported function is declared here once, grouped by subsystem, together with the
 * binary types it passes. Text is 8-bit ANSI in the process code page ending in a NUL byte,
 * lengths are in bytes without the NUL, and output goes to a caller's buffer given with its
 * size in bytes, unless a declaration says otherwise. Failures show in the result alone.
 * Usable from C99 and C++.
 */
#ifndef HOSTUTIL_H
#define HOSTUTIL_H

#include "hostutil/version.h"
#include "hostutil/abi.h"
#include "hostutil/types.h"
#include "hostutil/frame.h"
#include "hostutil/lock.h"
#include "hostutil/heap.h"
#include "hostutil/file.h"
#include "hostutil/profile.h"
#include "hostutil/csv.h"
#include "hostutil/convert.h"
#include "hostutil/algo.h"
#include "hostutil/system.h"
#include "hostutil/shell.h"

#endif /* HOSTUTIL_H */
