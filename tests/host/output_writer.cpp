// Writes one line through the stream named by its argument (printf, cout,
// or cout-unsynced for a C++ stream with its own buffer) and ends with
// host::finish_output.
#include <cstdio>
#include <cstring>
#include <iostream>

#include "host/output_check.h"

int main(int argc, char** argv) {
  const char* stream = argc > 1 ? argv[1] : "";
  if (std::strcmp(stream, "printf") == 0) {
    std::printf("some output\n");
  } else if (std::strcmp(stream, "cout") == 0) {
    std::cout << "some output\n";
  } else if (std::strcmp(stream, "cout-unsynced") == 0) {
    std::ios::sync_with_stdio(false);
    std::cout << "some output\n";
  } else {
    std::fprintf(stderr, "usage: output_writer printf|cout|cout-unsynced\n");
    return 2;
  }
  return host::finish_output(0, "output_writer");
}
