#include <cstdio>

int main() {
  std::puts("Pexu: the main window is not built yet; nothing to show.");
  return 0;
}
