// Calls a few exports of the installed library from C++ and checks the answers.
#include <hostutil.h>

#include <cstdio>
#include <string>

int main() {
  int32_t values[] = {5, -2, 9, 0};
  QuickSort(values, 4, 0);
  char field[8] = {};
  const char* next = GetCSVOneItem("\"a,b\",c", field, sizeof field);
  const bool ok = values[0] == 9 && values[3] == -2 && CompareNoCase("HostUtil", "hOSTuTIL") == 1 &&
                  next != nullptr && std::string(next) == "c" && std::string(field) == "a,b";
  std::printf("consumer (C++): hostutil %s %s\n", HOSTUTIL_VERSION, ok ? "answers" : "is wrong");
  return ok ? 0 : 1;
}
