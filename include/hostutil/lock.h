/** \file hostutil/lock.h
 *  \brief The named semaphore table and the guarded shared values.
 *
 *  A semaphore is named by name, or when name is null or empty by number written as 16
 *  lowercase hexadecimal digits. The table belongs to the process: call
 *  SemaphoreControlBegin before anything that locks or allocates, SemaphoreControlEnd at
 *  the end. */
#ifndef HOSTUTIL_LOCK_H
#define HOSTUTIL_LOCK_H

#include "abi.h"

HOSTUTIL_BEGIN_DECLS

/* ---- Named semaphore table ---- */

/** Sets up the process's semaphore table; a table already set up is kept. */
HOSTUTIL_API void HOSTUTIL_CALL SemaphoreControlBegin(void);
/** Gives every semaphore of the table up, waiting for each, and marks the table not set
 *  up. */
HOSTUTIL_API void HOSTUTIL_CALL SemaphoreControlEnd(void);
/** Creates or opens a named semaphore (count 1 of 2) and puts it in the table.
 *  \param name the semaphore's name; null or empty to name it by number.
 *  \param number the semaphore's number, used when name is null or empty.
 *  \return 1 when the semaphore is in the table, 0 on failure. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SemaphoreCreate(const char* name, uint64_t number);
/** Enters a semaphore of the table, trying again every 500 ms.
 *  \param name the semaphore's name; null or empty to name it by number.
 *  \param number the semaphore's number, used when name is null or empty.
 *  \param retryCount the most attempts; 0 waits without limit.
 *  \return 1 when entered, or when the semaphore is not in the table; 0 when not entered. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SemaphoreEntry(const char* name, uint64_t number,
                                                   uint32_t retryCount);
/** Gives one count back to a semaphore and clears this process's entered flag.
 *  \param name the semaphore's name; null or empty to name it by number.
 *  \param number the semaphore's number, used when name is null or empty. */
HOSTUTIL_API void HOSTUTIL_CALL SemaphoreLeave(const char* name, uint64_t number);
/** Waits for a semaphore without limit, then takes it out of the table.
 *  \param name the semaphore's name; null or empty to name it by number.
 *  \param number the semaphore's number, used when name is null or empty. */
HOSTUTIL_API void HOSTUTIL_CALL SemaphoreRelease(const char* name, uint64_t number);
/** Whether this process holds a semaphore through SemaphoreEntry.
 *  \param name the semaphore's name; null or empty to name it by number.
 *  \param number the semaphore's number, used when name is null or empty.
 *  \return 1 while this process holds it, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SemaphoreIsEntry(const char* name, uint64_t number);
/** Whether a semaphore is in the table.
 *  \param name the semaphore's name; null or empty to name it by number.
 *  \param number the semaphore's number, 32-bit here, used when name is null or empty.
 *  \return 1 when it is in the table, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SemaphoreIsExist(const char* name, uint32_t number);

/* ---- Guarded shared values ---- */

/* Each works out its result under the semaphore "VALUE_OP_SEMAPHORE_CONTROL". */

/** A reset value, worked out under the semaphore "VALUE_OP_SEMAPHORE_CONTROL".
 *  \param value not looked at.
 *  \return always 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL ResetValue(uint32_t value);
/** A new value, handed back under the semaphore "VALUE_OP_SEMAPHORE_CONTROL".
 *  \param value not looked at.
 *  \param newValue the value to hand back.
 *  \return newValue; 0 when the semaphore cannot be had. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SetValue(uint32_t value, uint32_t newValue);
/** The next value, worked out under the semaphore "VALUE_OP_SEMAPHORE_CONTROL".
 *  \param value the value to count up.
 *  \return value + 1, wrapping to 0; 0 when the semaphore cannot be had. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL IncrementValue(uint32_t value);
/** The previous value, worked out under the semaphore "VALUE_OP_SEMAPHORE_CONTROL".
 *  \param value the value to count down.
 *  \return value - 1, wrapping to 0xFFFFFFFF; 0 when the semaphore cannot be had. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL DecrementValue(uint32_t value);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_LOCK_H */
