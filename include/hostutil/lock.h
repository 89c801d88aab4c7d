/* hostutil/lock.h - the named semaphore table and the guarded shared values. */
#ifndef HOSTUTIL_LOCK_H
#define HOSTUTIL_LOCK_H

#include "abi.h"

HOSTUTIL_BEGIN_DECLS

/* ---- Named semaphore table ---- */

/* A semaphore is named by name, or when name is null or empty by number as 16 lowercase
   hexadecimal digits. Call SemaphoreControlBegin before anything that locks or allocates. */

/* Sets up the process's semaphore table; a table already set up is kept. */
HOSTUTIL_API void HOSTUTIL_CALL SemaphoreControlBegin(void);
/* Gives every semaphore of the table up, waiting for each, and marks the table not set up. */
HOSTUTIL_API void HOSTUTIL_CALL SemaphoreControlEnd(void);
/* Creates or opens the named semaphore (count 1 of 2). 1 = in the table, 0 = failure. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SemaphoreCreate(const char* name, uint64_t number);
/* Enters the semaphore, retryCount attempts 500 ms apart (0 = without limit).
   1 = entered or not in the table, 0 = not entered. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SemaphoreEntry(const char* name, uint64_t number,
                                                   uint32_t retryCount);
/* Gives one count back to the semaphore and clears this process's entered flag. */
HOSTUTIL_API void HOSTUTIL_CALL SemaphoreLeave(const char* name, uint64_t number);
/* Waits for the semaphore without limit, then takes it out of the table. */
HOSTUTIL_API void HOSTUTIL_CALL SemaphoreRelease(const char* name, uint64_t number);
/* 1 while this process holds the semaphore through SemaphoreEntry, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SemaphoreIsEntry(const char* name, uint64_t number);
/* 1 when the semaphore is in the table, else 0. number is 32-bit here. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SemaphoreIsExist(const char* name, uint32_t number);

/* ---- Guarded shared values ---- */

/* Each works out its result under "VALUE_OP_SEMAPHORE_CONTROL"; 0 when it cannot be had. */

/* Always 0; value is not looked at. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL ResetValue(uint32_t value);
/* newValue; value is not looked at. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SetValue(uint32_t value, uint32_t newValue);
/* value + 1, wrapping to 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL IncrementValue(uint32_t value);
/* value - 1, wrapping to 0xFFFFFFFF. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DecrementValue(uint32_t value);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_LOCK_H */
