/** \file hostutil.h
 *  \brief The public C interface of hostutil.dll and libhostutil.so: the one header to
 *  include.
 *
 *  Every exported function is declared once, grouped by subsystem in the headers under
 *  hostutil/, together with the binary types it passes. Text is 8-bit ANSI in the process
 *  code page ending in a NUL byte, lengths are in bytes without the NUL, and output goes to
 *  a caller's buffer given with its size in bytes, unless a declaration says otherwise.
 *  Failures show in the result alone. Usable from C89, C99 and C++. */
#ifndef HOSTUTIL_H
#define HOSTUTIL_H

#include "hostutil/abi.h"
#include "hostutil/algo.h"
#include "hostutil/convert.h"
#include "hostutil/csv.h"
#include "hostutil/file.h"
#include "hostutil/frame.h"
#include "hostutil/heap.h"
#include "hostutil/lock.h"
#include "hostutil/profile.h"
#include "hostutil/shell.h"
#include "hostutil/system.h"
#include "hostutil/types.h"
#include "hostutil/version.h"

#endif /* HOSTUTIL_H */
