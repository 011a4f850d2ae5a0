#include "host/output_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace host {

int finish_output(int status, const char* program) {
  // std::cout shares stdout's buffer: its flush is the one that meets a
  // failure, and the reason must be taken there, not from a second flush
  // that has nothing left to write.
  errno = 0;
  std::cout.flush();
  const bool stream_failed = !std::cout.good();
  int error = errno;
  errno = 0;
  const bool flush_failed = std::fflush(stdout) != 0;
  if (error == 0) error = errno;
  if (!stream_failed && !flush_failed && !std::ferror(stdout)) return status;
  std::fprintf(stderr, "%s: cannot write standard output: %s\n", program,
               error != 0 ? std::strerror(error) : "write error");
  return status != 0 ? status : 1;
}

}  // namespace host
