#include "host/output_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace host {

int finish_output(int status, const char* program, int failure) {
  std::cout.flush();
  const bool stream_failed = !std::cout.good();
  errno = 0;
  const bool flush_failed = std::fflush(stdout) != 0;
  const int error = errno;
  if (!stream_failed && !flush_failed && !std::ferror(stdout)) return status;
  std::fprintf(stderr, "%s: cannot write standard output: %s\n", program,
               error != 0 ? std::strerror(error) : "write error");
  return status != 0 ? status : failure;
}

}  // namespace host
