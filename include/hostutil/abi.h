/* hostutil/abi.h - how hostutil's functions are exported, called and linked. */
#ifndef HOSTUTIL_ABI_H
#define HOSTUTIL_ABI_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#include <windows.h>
#endif

/* ---- Export and calling convention ---- */

/* The DLL exports its names through its module definition file, so nothing is needed on
   Windows; the shared object hides everything but what is marked here. */
#ifndef HOSTUTIL_API
#if defined(_WIN32)
#define HOSTUTIL_API
#elif defined(__GNUC__) || defined(__clang__)
#define HOSTUTIL_API __attribute__((visibility("default")))
#else
#define HOSTUTIL_API
#endif
#endif

/* The platform's standard calling convention. */
#if defined(_WIN32)
#define HOSTUTIL_CALL WINAPI
#else
#define HOSTUTIL_CALL
#endif

/* Compile-time layout checks; C99 gets a negative array size instead of an assertion. */
#if defined(__cplusplus) && __cplusplus >= 201103L
#define HOSTUTIL_STATIC_CHECK(condition, tag) static_assert(condition, #tag)
#elif !defined(__cplusplus) && defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define HOSTUTIL_STATIC_CHECK(condition, tag) _Static_assert(condition, #tag)
#else
#define HOSTUTIL_STATIC_CHECK(condition, tag) \
  typedef char hostutil_check_##tag[(condition) ? 1 : -1]
#endif

/* C linkage for every declaration, in C++ too. */
#ifdef __cplusplus
#define HOSTUTIL_BEGIN_DECLS extern "C" {
#define HOSTUTIL_END_DECLS }
#else
#define HOSTUTIL_BEGIN_DECLS
#define HOSTUTIL_END_DECLS
#endif

#endif /* HOSTUTIL_ABI_H */
