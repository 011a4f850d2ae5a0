// host::AtomicFile against names that are links: the link stays and what is
// written reaches what it points at, with no temporary file left anywhere.
#include "host/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(AtomicFileLinks, AreWrittenThroughNeverReplaced) {
  const fs::path folder = fs::temp_directory_path() / ("atomic-" + std::to_string(getpid()));
  fs::create_directories(folder);
  const fs::path target = folder / "target.txt";
  std::ofstream(target) << "old";
  const int fd = open(target.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  // The kind of link /dev/stdout is (into /proc/self/fd: an open file, whose
  // folder must never receive a file), then a link of the user's.
  fs::create_symlink(target, folder / "link.txt");
  const fs::path names[] = {"/proc/self/fd/" + std::to_string(fd), folder / "link.txt"};
  for (const fs::path& name : names) {
    SCOPED_TRACE(name);
    fs::resize_file(target, 0);
    host::AtomicFile file;
    ASSERT_TRUE(file.open(name));
    std::fputs("new", file.stream());
    ASSERT_TRUE(file.commit());
    EXPECT_TRUE(fs::is_symlink(name));
    EXPECT_EQ(Contents(target), "new");
  }
  close(fd);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 2);  // target and link
  fs::remove_all(folder);
}

}  // namespace
