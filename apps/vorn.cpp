// vorn: the compiler's command line (being written).
#include <cstdio>
int main() {
  std::fputs("vorn: not ready yet\n", stderr);
  return 2;
}
