// Output that cannot be written is a failure: at exit a program flushes
// standard output and checks that every write reached it.
#ifndef HOST_OUTPUT_CHECK_H
#define HOST_OUTPUT_CHECK_H

namespace host {

// Flushes standard output (C stdio and C++ streams). Returns `status` when
// everything was written; otherwise prints "PROGRAM: cannot write standard
// output: REASON" on standard error and returns `failure` (or `status` when
// it is already a failure). Call it as `return host::finish_output(status, "name");`.
int finish_output(int status, const char* program, int failure = 1);

}  // namespace host

#endif
