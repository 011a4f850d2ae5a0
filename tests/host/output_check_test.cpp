// host::finish_output in a child whose standard output is /dev/full: it
// fails and names the reason.
#include "host/output_check.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

TEST(FinishOutput, AFullDeviceFailsWithItsReason) {
  const std::filesystem::path errors =
      std::filesystem::temp_directory_path() / ("finish-" + std::to_string(getpid()));
  const pid_t child = fork();
  if (child == 0) {
    const int full = open("/dev/full", O_WRONLY);
    const int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (full < 0 || err < 0 || dup2(full, 1) < 0 || dup2(err, 2) < 0) _exit(100);
    std::printf("report\n");
    _exit(host::finish_output(0, "prog"));
  }
  int status = 0;
  waitpid(child, &status, 0);
  std::ifstream in(errors);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  std::filesystem::remove(errors);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(text, "prog: cannot write standard output: No space left on device\n");
}

}  // namespace
