/** \file hostutil/abi.h
 *  \brief How hostutil's functions are exported, called and linked.
 *
 *  Included by every other header; users include hostutil.h. */
#ifndef HOSTUTIL_ABI_H
#define HOSTUTIL_ABI_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#include <windows.h>
#endif

/* The DLL exports its names through its module definition file, so nothing is needed on
 *  Windows; the shared object hides everything but what is marked here. */
#ifndef HOSTUTIL_API
#if !defined(_WIN32) && (defined(__GNUC__) || defined(__clang__))
#define HOSTUTIL_API __attribute__((visibility("default")))
#else
/** Marks a declaration as exported: default visibility in the shared object, nothing on
 *  Windows, where the module definition file names the exports. */
#define HOSTUTIL_API
#endif
#endif

#if defined(_WIN32)
#define HOSTUTIL_CALL WINAPI
#else
/** The platform's standard calling convention: WINAPI (stdcall on 32-bit Windows) on
 *  Windows, the C convention elsewhere. */
#define HOSTUTIL_CALL
#endif

/* Compile-time layout checks; C99 gets a negative array size instead of an assertion. */
#if defined(__cplusplus) && __cplusplus >= 201103L
#define HOSTUTIL_STATIC_CHECK(condition, tag) static_assert(condition, #tag)
#elif !defined(__cplusplus) && defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define HOSTUTIL_STATIC_CHECK(condition, tag) _Static_assert(condition, #tag)
#else
/** A compile-time check of the binary layout: the build stops when condition is false.
 *  tag names the check in the compiler's message. */
#define HOSTUTIL_STATIC_CHECK(condition, tag) \
  typedef char hostutil_check_##tag[(condition) ? 1 : -1]
#endif

#ifdef __cplusplus
#define HOSTUTIL_BEGIN_DECLS extern "C" {
#define HOSTUTIL_END_DECLS }
#else
/** Opens C linkage for the declarations that follow, in C++ too. */
#define HOSTUTIL_BEGIN_DECLS
/** Closes HOSTUTIL_BEGIN_DECLS. */
#define HOSTUTIL_END_DECLS
#endif

#endif /* HOSTUTIL_ABI_H */
