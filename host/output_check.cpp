#include "host/output_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace host {

int finish_output(int status, const char* program, int failure) {
  // Each flush is asked for its own errno: a synchronised std::cout flushes
  // stdout itself, so whichever runs first meets the failing write and the
  // second would only see the error flag, without a reason.
  errno = 0;
  const bool c_failed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
  int error = c_failed ? errno : 0;
  errno = 0;
  std::cout.flush();
  const bool cpp_failed = !std::cout.good();
  if (cpp_failed && error == 0) error = errno;
  if (!c_failed && !cpp_failed) return status;
  std::fprintf(stderr, "%s: cannot write standard output: %s\n", program,
               error != 0 ? std::strerror(error) : "write error");
  return status != 0 ? status : failure;
}

}  // namespace host
