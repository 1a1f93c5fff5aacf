// A planted "cmd.exe": if the program ever starts it, it leaves planted.txt behind.
#include <cstdio>

int main() {
  if (std::FILE* mark = std::fopen("C:\\tests\\planted.txt", "w")) {
    std::fputs("planted cmd.exe ran\n", mark);
    std::fclose(mark);
  }
  return 0;
}
