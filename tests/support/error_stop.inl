#include <gtest/gtest.h>

template <typename Call>
ErrorStop expect_error_stop(Call&& call) {
  try {
    call();
  } catch (const ErrorStop& stop) {
    return stop;
  }
  ADD_FAILURE() << "the call returned instead of stopping with an error";
  return ErrorStop("", "", 0, "");
}
