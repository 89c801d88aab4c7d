/* The public header compiled as plain C99, its ABI types at the system's sizes. */
#include "hostutil.h"

typedef char hu_filetime_is_8[sizeof(hu_FILETIME) == 8 ? 1 : -1];
typedef char hu_systemtime_is_16[sizeof(hu_SYSTEMTIME) == 16 ? 1 : -1];
typedef char hu_find_data_is_320[sizeof(hu_WIN32_FIND_DATAA) == 320 ? 1 : -1];
