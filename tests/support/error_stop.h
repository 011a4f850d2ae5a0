// Host stand-in for the firmware error stop: instead of halting the board it
// throws, so a test can check which check failed and with what message.
#ifndef TESTS_SUPPORT_ERROR_STOP_H
#define TESTS_SUPPORT_ERROR_STOP_H

#include <stdexcept>
#include <string>

struct ErrorStop : std::runtime_error {
  ErrorStop(std::string file_, std::string function_, int line_, std::string message_);
  std::string file;
  std::string function;
  int line;
  std::string message;
};

// Runs `call` and returns the error stop it raised; fails the test (and
// returns an empty record) when it returns normally.
template <typename Call>
ErrorStop expect_error_stop(Call&& call);

#include "error_stop.inl"

#endif
