/* The public header compiled as plain C99, and a few calls through it. */
#include "hostutil.h"

#include <string.h>

int hostutil_c_api_probe(void) {
  char text[8] = "abc";
  int ok = 1;
  ok &= CompareCase("abc", "abc") == 1;
  ok &= CompareNoCaseN("abcX", "ABCy", 3) == 1;
  MakeUpper(text, 3);
  ok &= strcmp(text, "ABC") == 0;
  ok &= sizeof(hu_FILETIME) == 8;
  ok &= sizeof(hu_SYSTEMTIME) == 16;
  ok &= sizeof(hu_WIN32_FIND_DATAA) == 320;
  return ok;
}
