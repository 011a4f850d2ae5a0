// Writing a file so that a failure never loses what was at its path.
//
// A regular file, or a path where nothing is yet, is written to a temporary
// file in the same folder, flushed, synced and renamed over the target (the
// old file's permission bits are kept). Anything else at the path (a FIFO, a
// device, a symbolic link such as /dev/stdout) is not replaced and is written
// directly. Only the temporary file this object created is ever removed.
#ifndef HOST_ATOMIC_FILE_H
#define HOST_ATOMIC_FILE_H

#include <cstdio>
#include <string>

namespace host {

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();  // abandons an uncommitted file
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Opens `path` for writing as above; false with errno set when it cannot.
  bool open(const std::string& path);
  // The stream to write to while open.
  std::FILE* stream() const { return stream_; }
  // Flushes, syncs and puts the file in place; false with errno set when any
  // step fails (the temporary file is then removed and the target untouched).
  bool commit();
  // Closes and removes the temporary file, leaving the target as it was.
  void abandon();

 private:
  std::FILE* stream_ = nullptr;
  std::string target_;
  std::string temporary_;  // empty when writing the target directly
};

}  // namespace host

#endif
