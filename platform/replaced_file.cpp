#include "platform/replaced_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/spare_threads.h"

namespace gridlet {

namespace {
// A reference to what the path names, or -1.
int Hold(const std::string& path) {
#ifdef O_PATH
  // A path-only reference needs no right to read, and opens neither a
  // device nor a pipe.
  return ::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
#else
  // Without one, the rename gives the file back itself.
  (void)path;
  return -1;
#endif
}
}  // namespace

ReplacedFile::ReplacedFile(const std::string& path) : fd_(Hold(path)) {}

ReplacedFile::~ReplacedFile() {
  if (fd_ < 0) return;
  const int fd = fd_;
  // A small file is let go quicker than a thread starts.
  constexpr off_t kWorthAThread = off_t{1} << 20;
  struct stat info;
  if (::fstat(fd, &info) != 0 || info.st_size < kWorthAThread) {
    ::close(fd);
    return;
  }
  // Nothing waits for it: the process ends only once every thread has
  // stopped, so the file is always let go.
  if (!RunOnSpareThread([fd] { ::close(fd); })) ::close(fd);
}

}  // namespace gridlet
