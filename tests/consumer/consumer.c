/* Calls a few exports of the installed library from C and checks the answers. */
#include <hostutil.h>
#include <stdio.h>
#include <string.h>

int main(void) {
  static const int32_t sorted[] = {-7, 0, 3, 19, 42};
  char hex[9], item[16];
  SemaphoreControlBegin(); /* the scratch memory of the hexadecimal text needs it */
  ChangeHexToAscii(0xBEEFu, hex, 8, 0);
  SemaphoreControlEnd();
  if (CalculateCRC("123456789", 9) != 0xFE0A || CalculateCRC(NULL, 4) != 0 ||
      strcmp(hex, "0000BEEF") != 0 || BinarySearch(sorted, 5, 19) != 3 ||
      BinarySearch(sorted, 5, 5) != HOSTUTIL_NOT_FOUND ||
      !MakeCSVOneItem("a,\"b", item, sizeof item) || strcmp(item, "\"a,\"\"b\"") != 0) {
    fprintf(stderr, "consumer (C): wrong answers\n");
    return 1;
  }
  printf("consumer (C): hostutil %s answers\n", HOSTUTIL_VERSION);
  return 0;
}
