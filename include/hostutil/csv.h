/** \file hostutil/csv.h
 *  \brief CSV items and the CSV and JBK file writers.
 *
 *  The item encoders answer 1 when buffer holds the whole item and its NUL (the item's
 *  length below bufferSize), else 0 with buffer left empty. The item decoders copy the item
 *  that starts line, without its quotes, into buffer and answer where the next item begins
 *  inside line, or null after the last item and on unusable arguments. */
#ifndef HOSTUTIL_CSV_H
#define HOSTUTIL_CSV_H

#include "abi.h"
#include "heap.h"

HOSTUTIL_BEGIN_DECLS

/* ---- CSV item encoding ---- */

/** Encodes one comma-separated item: quoted when it holds a comma or a quote, its quotes
 *  doubled.
 *  \param item the item's text.
 *  \param buffer receives the encoded item and a NUL; an empty text on failure.
 *  \param bufferSize the size of buffer in bytes.
 *  \return 1 when it fits, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVOneItem(const char* item, char* buffer,
                                                   uint32_t bufferSize);
/** Encodes one item for a separator of the caller's: quoted when it holds the separator,
 *  quotes inside kept single.
 *  \param item the item's text.
 *  \param buffer receives the encoded item and a NUL; an empty text on failure.
 *  \param bufferSize the size of buffer in bytes.
 *  \param separator the separator text.
 *  \return 1 when it fits, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVOneItem2(const char* item, char* buffer,
                                                    uint32_t bufferSize, const char* separator);
/** Encodes one item: quoted when it holds the separator, or a quote when escapeQuotes is
 *  nonzero, which also doubles its quotes.
 *  \param item the item's text.
 *  \param buffer receives the encoded item and a NUL; an empty text on failure.
 *  \param bufferSize the size of buffer in bytes.
 *  \param separator the separator text.
 *  \param escapeQuotes nonzero to quote items with quotes and double the quotes.
 *  \return 1 when it fits, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVOneItem3(const char* item, char* buffer,
                                                    uint32_t bufferSize, const char* separator,
                                                    uint32_t escapeQuotes);
/** MakeCSVOneItem when the separator is exactly ",", else MakeCSVOneItem2.
 *  \param item the item's text.
 *  \param buffer receives the encoded item and a NUL; an empty text on failure.
 *  \param bufferSize the size of buffer in bytes.
 *  \param separator the separator text.
 *  \return 1 when it fits, else 0. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVOneItemEx(const char* item, char* buffer,
                                                     uint32_t bufferSize, const char* separator);

/* ---- CSV item decoding ---- */

/** Decodes the comma-separated item at the start of a line; doubled quotes inside a quoted
 *  item are read as one.
 *  \param line the text from the item on.
 *  \param buffer receives the item without its quotes, and a NUL.
 *  \param bufferSize the size of buffer in bytes.
 *  \return where the next item begins inside line; null after the last item and on
 *          unusable arguments. */
HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItem(const char* line, char* buffer, uint32_t bufferSize);
/** Decodes the item at the start of a line for a separator of the caller's: a quoted item
 *  ends at a quote followed by the separator, quotes inside stay as they stand.
 *  \param line the text from the item on.
 *  \param buffer receives the item without its quotes, and a NUL.
 *  \param bufferSize the size of buffer in bytes.
 *  \param separator the separator text.
 *  \return where the next item begins inside line; null after the last item and on
 *          unusable arguments. */
HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItem2(const char* line, char* buffer, uint32_t bufferSize,
                                                const char* separator);
/** As GetCSVOneItem, with the caller's separator instead of the comma.
 *  \param line the text from the item on.
 *  \param buffer receives the item without its quotes, and a NUL.
 *  \param bufferSize the size of buffer in bytes.
 *  \param separator the separator text.
 *  \return where the next item begins inside line; null after the last item and on
 *          unusable arguments. */
HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItem3(const char* line, char* buffer, uint32_t bufferSize,
                                                const char* separator);
/** GetCSVOneItem when the separator is exactly ",", else GetCSVOneItem2.
 *  \param line the text from the item on.
 *  \param buffer receives the item without its quotes, and a NUL.
 *  \param bufferSize the size of buffer in bytes.
 *  \param separator the separator text.
 *  \return where the next item begins inside line; null after the last item and on
 *          unusable arguments. */
HOSTUTIL_API char* HOSTUTIL_CALL GetCSVOneItemEx(const char* line, char* buffer,
                                                 uint32_t bufferSize, const char* separator);

/* ---- CSV and JBK file writers ---- */

/** Joins the records of a heap area into comma-separated lines ending in CR LF and writes
 *  them to a file.
 *  \param path the file.
 *  \param head the heap area's head.
 *  \param replace nonzero to write a new file, 0 to append to it.
 *  \return 1 when the chain was walked and written, 0 when it stopped. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeCSVFile(const char* path, const HeapAreaHead* head,
                                                uint32_t replace);
/** As MakeCSVFile, with the larger limits of JBK files.
 *  \param path the file.
 *  \param head the heap area's head.
 *  \param replace nonzero to write a new file, 0 to append to it.
 *  \return 1 when the chain was walked and written, 0 when it stopped. */
HOSTUTIL_API uint32_t HOSTUTIL_CALL MakeJBKFile(const char* path, const HeapAreaHead* head,
                                                uint32_t replace);

HOSTUTIL_END_DECLS

#endif /* HOSTUTIL_CSV_H */
