#include "host/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

namespace host {
namespace {

// Keeps errno across clean-up calls that may change it.
class SavedErrno {
 public:
  SavedErrno() : value_(errno) {}
  ~SavedErrno() { errno = value_; }
  SavedErrno(const SavedErrno&) = delete;
  SavedErrno& operator=(const SavedErrno&) = delete;

 private:
  int value_;
};

std::string folder_of(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string name_of(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t default_mode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// A name that leads into /proc (as /dev/stdout and /dev/fd/N do) stands for
// an open file of this process: it is written through as it is, since
// replacing whatever it resolves to would not reach that open file.
bool leads_into_proc(const std::string& path) {
  const auto starts = [](const std::string& text) { return text.rfind("/proc/", 0) == 0; };
  if (char* folder = realpath(folder_of(path).c_str(), nullptr)) {
    const bool in_proc = starts(std::string(folder) + "/");
    std::free(folder);
    if (in_proc) return true;
  }
  std::string hop = path;
  for (int links = 0; links < 40; ++links) {
    struct stat entry {};
    if (lstat(hop.c_str(), &entry) != 0 || !S_ISLNK(entry.st_mode)) return false;
    std::vector<char> text(PATH_MAX + 1, '\0');
    const ssize_t n = readlink(hop.c_str(), text.data(), PATH_MAX);
    if (n <= 0) return false;
    std::string next(text.data(), static_cast<std::size_t>(n));
    if (next.front() != '/') next = folder_of(hop) + "/" + next;
    if (starts(next)) return true;
    hop = next;
  }
  return false;
}

}  // namespace

AtomicFile::~AtomicFile() { abandon(); }

bool AtomicFile::open(const std::string& given) {
  abandon();
  if (given.empty()) {
    errno = ENOENT;
    return false;
  }
  // A link of the user's is kept: the file it leads to is the one replaced.
  std::string path = given;
  struct stat entry {};
  const bool link = lstat(given.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode);
  bool write_through = false;
  if (link && leads_into_proc(given)) {
    write_through = true;
  } else if (link) {
    if (char* resolved = realpath(given.c_str(), nullptr)) {
      path = resolved;
      std::free(resolved);
    } else {
      write_through = true;  // a dangling link: its target is created through it
    }
  }
  struct stat existing {};
  const bool exists = stat(path.c_str(), &existing) == 0;
  if (!exists && errno != ENOENT) return false;
  if (exists && S_ISDIR(existing.st_mode)) {
    errno = EISDIR;
    return false;
  }
  if (write_through || (exists && !S_ISREG(existing.st_mode))) {
    // A FIFO, a device or an open file cannot be replaced: write to it as it is.
    stream_ = std::fopen(path.c_str(), "wb");
    if (stream_ == nullptr) return false;
    target_ = path;
    return true;
  }
  // Writing must be allowed on the target itself, as it would be without
  // the temporary file (a read-only file stays read-only).
  if (exists && access(path.c_str(), W_OK) != 0) return false;

  std::string pattern = folder_of(path) + "/." + name_of(path) + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) return false;
  const mode_t mode = exists ? (existing.st_mode & 07777) : default_mode();
  if (fchmod(fd, mode) != 0) {
    SavedErrno keep;
    close(fd);
    unlink(name.data());
    return false;
  }
  stream_ = fdopen(fd, "wb");
  if (stream_ == nullptr) {
    SavedErrno keep;
    close(fd);
    unlink(name.data());
    return false;
  }
  target_ = path;
  temporary_ = name.data();
  return true;
}

bool AtomicFile::commit() {
  if (stream_ == nullptr) {
    errno = EBADF;
    return false;
  }
  bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
  if (ok && !temporary_.empty()) ok = fsync(fileno(stream_)) == 0;
  int error = ok ? 0 : errno;
  if (std::fclose(stream_) != 0 && ok) {
    ok = false;
    error = errno;
  }
  stream_ = nullptr;
  if (ok && !temporary_.empty() && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (ok) {
    temporary_.clear();
    target_.clear();
    return true;
  }
  if (!temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
  target_.clear();
  errno = error != 0 ? error : EIO;
  return false;
}

void AtomicFile::abandon() {
  SavedErrno keep;
  if (stream_ != nullptr) std::fclose(stream_);
  stream_ = nullptr;
  if (!temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
  target_.clear();
}

}  // namespace host
