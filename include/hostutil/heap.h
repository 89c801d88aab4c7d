/* hostutil/heap.h - the heap area chain and the registered allocations. */
#ifndef HOSTUTIL_HEAP_H
#define HOSTUTIL_HEAP_H

#include "abi.h"

/* ---- Library records ---- */

/* A heap area as the caller holds it: a pointer to its head, null when there is no area.
   The head is 24 bytes from the process heap (offsets for 64-bit builds). */
typedef struct HeapAreaRecord HeapAreaRecord;
typedef struct HeapAreaHead {
  char signature[8];           /* 0: "HEAPMNGR", no NUL */
  uint32_t recordCount;        /* 8: number of records in the chain */
  uint32_t reserved;           /* 12: always zero */
  HeapAreaRecord* firstRecord; /* 16: first record; null when there is none */
} HeapAreaHead;

/* A record is one packed block of length + 20 bytes with no alignment:
     0       uint32_t  length      L, the number of data bytes, at least 1
     4       L bytes   data        the caller's bytes, unchanged
     4 + L   8 bytes   marker      "NEXTADDR", no NUL              (HeapAreaRecordTail)
     12 + L  8 bytes   nextRecord  next record's address, unaligned; null in the last
   Only the fixed start is a C structure; the tail is found at 4 + length. */
struct HeapAreaRecord {
  uint32_t length; /* 0: L */
};

typedef struct HeapAreaRecordTail {
  char marker[8];              /* 4 + L: "NEXTADDR", no NUL */
  unsigned char nextRecord[8]; /* 12 + L: the next record's address as raw bytes */
} HeapAreaRecordTail;

#define HOSTUTIL_HEAP_SIGNATURE "HEAPMNGR"
#define HOSTUTIL_HEAP_MARKER "NEXTADDR"
#define HOSTUTIL_HEAP_RECORD_SIZE(length) ((uint32_t)(length) + 20u)

HOSTUTIL_STATIC_CHECK(sizeof(void*) != 8 || sizeof(HeapAreaHead) == 24, heap_head_size);
HOSTUTIL_STATIC_CHECK(sizeof(HeapAreaRecord) == 4, heap_record_start_size);
HOSTUTIL_STATIC_CHECK(sizeof(HeapAreaRecordTail) == 16, heap_record_tail_size);

#define HOSTUTIL_ZEROINIT 0x40u           /* GlobalAllocEx: zero-fill the block */

HOSTUTIL_BEGIN_DECLS

/* ---- Heap area chain ---- */

/* area is the address of the caller's area pointer, which starts null; every call is
   guarded by "HEAP_SEMAPHORE_CONTROL". */

/* Appends a copy of dataLength bytes, creating the head when needed. 1 = appended, 0 = not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL AllocHeapAreaAndSetData(HeapAreaHead** area, const void* data,
                                                            uint32_t dataLength);
/* Copies the record at *cursor (started as a copy of the area pointer) and moves the cursor
   on. Result: the length delivered; 0 at the end or when the record does not fit. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FetchHeapData(void** cursor, void* buffer, uint32_t bufferSize);
/* Copies the last record without removing it. Result: its length; 0 = none. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FetchHeapLastData(HeapAreaHead** area, void* buffer,
                                                      uint32_t bufferSize);
/* Takes the first record (a queue). Result: its length; 0 = none or it does not fit. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FetchAndFreeHeapData(HeapAreaHead** area, void* buffer,
                                                         uint32_t bufferSize);
/* Takes the last record (a stack). Result: its length; 0 = none or it does not fit. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FetchAndFreeHeapLastData(HeapAreaHead** area, void* buffer,
                                                             uint32_t bufferSize);
/* Removes the first record whose data equal the key; buffer may be null.
   Result: the length delivered into buffer; 0 = none (the match is removed all the same). */
HOSTUTIL_API uint32_t HOSTUTIL_CALL SearchAndFreeHeapData(HeapAreaHead** area, const void* key,
                                                          uint32_t keyLength, void* buffer,
                                                          uint32_t bufferSize);
/* Frees every record and the head and sets the area pointer to null. Always 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL FreeHeapArea(HeapAreaHead** area);
/* 1 when head begins with the head signature, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL IsHeapAddress(const void* head);

/* ---- Registered allocations ---- */

/* A zero-filled block when flags has HOSTUTIL_ZEROINIT, registered and given a semaphore
   named after its address. Result: the block; null on failure. */
HOSTUTIL_API void* HOSTUTIL_CALL GlobalAllocEx(uint32_t flags, uint32_t size);
/* The same as GlobalAllocEx. */
HOSTUTIL_API void* HOSTUTIL_CALL HeapAllocExEx(uint32_t flags, uint32_t size);
/* Waits until nobody holds the block, unregisters, clears and frees it. Always 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalFreeEx(void* block);
/* Waits until this process has left the block, then GlobalFreeEx. Always 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalFreeExEx(void* block);
/* GlobalFreeExEx. Always 1. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL HeapFreeExEx(void* block);
/* Claims the block's semaphore, 60 attempts. 1 = claimed or nothing to claim, 0 = not. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalAreaEntry(void* block);
/* Leaves the block's semaphore. */
HOSTUTIL_API void HOSTUTIL_CALL GlobalAreaLeave(void* block);
/* 1 while this process holds the block, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalAreaIsEntry(void* block);
/* Frees every block still registered, then the registry. Always 1. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL GlobalAreaLumpFree(void);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_HEAP_H */
