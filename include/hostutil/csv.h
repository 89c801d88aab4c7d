/* hostutil/csv.h - CSV items and the CSV and JBK file writers. */
#ifndef HOSTUTIL_CSV_H
#define HOSTUTIL_CSV_H

#include "abi.h"
#include "heap.h"

HOSTUTIL_BEGIN_DECLS

/* ---- CSV item encoding ---- */

/* Each answers 1 when buffer holds the item (its length below bufferSize), else 0 with
   buffer empty. */

/* Quotes the item when it holds a comma or a quote, doubling its quotes. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVOneItem(const char* item, char* buffer,
                                                   uint32_t bufferSize);
/* Quotes the item when it holds separator; quotes inside stay single. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVOneItem2(const char* item, char* buffer,
                                                    uint32_t bufferSize, const char* separator);
/* Quotes the item when it holds separator, or a quote when escapeQuotes is nonzero, which
   also doubles its quotes. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVOneItem3(const char* item, char* buffer,
                                                    uint32_t bufferSize, const char* separator,
                                                    uint32_t escapeQuotes);
/* MakeCSVOneItem when separator is exactly ",", else MakeCSVOneItem2. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVOneItemEx(const char* item, char* buffer,
                                                     uint32_t bufferSize, const char* separator);

/* ---- CSV item decoding ---- */

/* Each copies the item at line, without its quotes, into buffer and answers where the next
   item begins inside line, or null after the last item and on bad arguments. */

/* Comma-separated; doubled quotes inside a quoted item are read as one. */
HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItem(const char* line, char* buffer, uint32_t bufferSize);
/* A quoted item ends at a quote followed by separator; quotes inside stay as they stand. */
HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItem2(const char* line, char* buffer, uint32_t bufferSize,
                                                const char* separator);
/* As GetCSVOneItem with separator instead of the comma. */
HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItem3(const char* line, char* buffer, uint32_t bufferSize,
                                                const char* separator);
/* GetCSVOneItem when separator is exactly ",", else GetCSVOneItem2. */
HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItemEx(const char* line, char* buffer,
                                                 uint32_t bufferSize, const char* separator);

/* ---- CSV and JBK file writers ---- */

/* Joins the records of the heap area at head into comma-separated CR LF lines and writes the
   file, new when replace is nonzero, else appended. 1 = walked and written, 0 = stopped. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVFile(const char* path, const HeapAreaHead* head,
                                                uint32_t replace);
/* As MakeCSVFile with the larger limits of JBK files. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeJBKFile(const char* path, const HeapAreaHead* head,
                                                uint32_t replace);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_CSV_H */
