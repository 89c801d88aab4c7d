/** \file hostutil/heap.h
 *  \brief The heap area chain and the registered allocations.
 *
 *  A heap area is a chain of records the caller holds by a pointer to its head, null while
 *  there is no area; the functions take the address of that pointer. Every call on a chain
 *  is guarded by the semaphore "HEAP_SEMAPHORE_CONTROL". */
#ifndef HOSTUTIL_HEAP_H
#define HOSTUTIL_HEAP_H

#include "abi.h"

/* ---- Library records ---- */

/** A record of a heap area chain (see struct HeapAreaRecord). */
typedef struct HeapAreaRecord HeapAreaRecord;
/** The head of a heap area: 24 bytes from the process heap (offsets for 64-bit builds). */
typedef struct HeapAreaHead {
  char signature[8];           /**< 0: HOSTUTIL_HEAP_SIGNATURE, no NUL */
  uint32_t recordCount;        /**< 8: the number of records in the chain */
  uint32_t reserved;           /**< 12: always zero */
  HeapAreaRecord* firstRecord; /**< 16: the first record; null when there is none */
} HeapAreaHead;

/** The fixed start of a record. A record is one packed block of length + 20 bytes with no
 *  alignment (HOSTUTIL_HEAP_RECORD_SIZE):
 *  <pre>
 *    0       uint32_t  length      L, the number of data bytes, at least 1
 *    4       L bytes   data        the caller's bytes, unchanged
 *    4 + L   8 bytes   marker      "NEXTADDR", no NUL              (HeapAreaRecordTail)
 *    12 + L  8 bytes   nextRecord  next record's address, unaligned; null in the last
 *  </pre>
 *  Only the fixed start is a C structure; the tail is found at 4 + length. */
struct HeapAreaRecord {
  uint32_t length; /**< 0: L, the number of data bytes that follow */
};

/** The tail of a record, 4 + length bytes from its start, unaligned. */
typedef struct HeapAreaRecordTail {
  char marker[8];              /**< 4 + L: HOSTUTIL_HEAP_MARKER, no NUL */
  unsigned char nextRecord[8]; /**< 12 + L: the next record's address as raw bytes */
} HeapAreaRecordTail;

/** The first 8 bytes of every heap area head (no NUL in the head). */
#define HOSTUTIL_HEAP_SIGNATURE "HEAPMNGR"
/** The 8 bytes behind every record's data (no NUL in the record). */
#define HOSTUTIL_HEAP_MARKER "NEXTADDR"
/** The size of a whole record holding length data bytes. */
#define HOSTUTIL_HEAP_RECORD_SIZE(length) ((uint32_t)(length) + 20u)

HOSTUTIL_STATIC_CHECK(sizeof(void*) != 8 || sizeof(HeapAreaHead) == 24, heap_head_size);
HOSTUTIL_STATIC_CHECK(sizeof(HeapAreaRecord) == 4, heap_record_start_size);
HOSTUTIL_STATIC_CHECK(sizeof(HeapAreaRecordTail) == 16, heap_record_tail_size);

/** GlobalAllocEx's flag: zero-fill the block. */
#define HOSTUTIL_ZEROINIT 0x40u

HOSTUTIL_BEGIN_DECLS

/* ---- Heap area chain ---- */

/** Appends a record holding a copy of the data, creating the head when the area has none.
 *  \param area the address of the caller's area pointer, which starts null.
 *  \param data the bytes to copy.
 *  \param dataLength how many bytes; at least 1.
 *  \return 1 when appended, 0 when not (the area is then unchanged). */
HOSTUTIL_API uint32_t HOSTUTIL_CALL AllocHeapAreaAndSetData(HeapAreaHead** area, const void* data,
                                                            uint32_t dataLength);
/** Copies the record at a cursor and moves the cursor on to the next record.
 *  \param cursor a copy of the area pointer to start; left on the next record.
 *  \param buffer receives the record's data bytes (no NUL is added).
 *  \param bufferSize the size of buffer in bytes.
 *  \return the number of bytes delivered; 0 at the end of the chain or when the record does
 *          not fit. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FetchHeapData(void** cursor, void* buffer, uint32_t bufferSize);
/** Copies the last record without removing it.
 *  \param area the address of the caller's area pointer.
 *  \param buffer receives the record's data bytes.
 *  \param bufferSize the size of buffer in bytes.
 *  \return the record's length; 0 when there is none or it does not fit. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FetchHeapLastData(HeapAreaHead** area, void* buffer,
                                                      uint32_t bufferSize);
/** Takes the first record out of the chain (a queue).
 *  \param area the address of the caller's area pointer.
 *  \param buffer receives the record's data bytes.
 *  \param bufferSize the size of buffer in bytes.
 *  \return the record's length; 0 when there is none or it does not fit. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FetchAndFreeHeapData(HeapAreaHead** area, void* buffer,
                                                         uint32_t bufferSize);
/** Takes the last record out of the chain (a stack).
 *  \param area the address of the caller's area pointer.
 *  \param buffer receives the record's data bytes.
 *  \param bufferSize the size of buffer in bytes.
 *  \return the record's length; 0 when there is none or it does not fit. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FetchAndFreeHeapLastData(HeapAreaHead** area, void* buffer,
                                                             uint32_t bufferSize);
/** Removes the first record whose data equal a key.
 *  \param area the address of the caller's area pointer.
 *  \param key the bytes to look for.
 *  \param keyLength how many bytes the key has.
 *  \param buffer receives the removed record's data bytes; may be null.
 *  \param bufferSize the size of buffer in bytes.
 *  \return the number of bytes delivered into buffer; 0 when none (a match is removed all the
 *          same). */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SearchAndFreeHeapData(HeapAreaHead** area, const void* key,
                                                          uint32_t keyLength, void* buffer,
                                                          uint32_t bufferSize);
/** Frees every record and the head, and sets the caller's area pointer to null.
 *  \param area the address of the caller's area pointer.
 *  \return always 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FreeHeapArea(HeapAreaHead** area);
/** Whether an address holds a heap area head.
 *  \param head the address to look at.
 *  \return 1 when it begins with HOSTUTIL_HEAP_SIGNATURE, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL IsHeapAddress(const void* head);

/* ---- Registered allocations ---- */

/** Allocates a block, registers it and gives it a semaphore named after its address.
 *  \param flags HOSTUTIL_ZEROINIT to zero-fill the block.
 *  \param size the block's size in bytes.
 *  \return the block; null on failure. */
HOSTUTIL_API void* HOSTUTIL_CALL GlobalAllocEx(uint32_t flags, uint32_t size);
/** The same as GlobalAllocEx.
 *  \param flags HOSTUTIL_ZEROINIT to zero-fill the block.
 *  \param size the block's size in bytes.
 *  \return the block; null on failure. */
HOSTUTIL_API void* HOSTUTIL_CALL HeapAllocExEx(uint32_t flags, uint32_t size);
/** Waits until nobody holds the block, then unregisters, clears and frees it.
 *  \param block a block from GlobalAllocEx.
 *  \return always 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalFreeEx(void* block);
/** Waits until this process has left the block, then frees it as GlobalFreeEx does.
 *  \param block a block from GlobalAllocEx.
 *  \return always 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalFreeExEx(void* block);
/** GlobalFreeExEx.
 *  \param block a block from HeapAllocExEx.
 *  \return always 1. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL HeapFreeExEx(void* block);
/** Claims the block's semaphore, 60 attempts.
 *  \param block a block from GlobalAllocEx.
 *  \return 1 when claimed or when there is nothing to claim, 0 when not claimed. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalAreaEntry(void* block);
/** Leaves the block's semaphore.
 *  \param block a block claimed with GlobalAreaEntry. */
HOSTUTIL_API void HOSTUTIL_CALL GlobalAreaLeave(void* block);
/** Whether this process holds the block.
 *  \param block a block from GlobalAllocEx.
 *  \return 1 while this process holds it, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalAreaIsEntry(void* block);
/** Frees every block still registered, then the registry itself.
 *  \return always 1. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalAreaLumpFree(void);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_HEAP_H */
