#include "platform/std_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <system_error>
#include <utility>

#include "platform/background_sync.h"
#include "platform/engine_paths.h"
#include "platform/fresh_pages.h"
#include "platform/leftovers.h"
#include "platform/mapped_files.h"
#include "platform/replaced_file.h"

namespace gridlet {

namespace {

std::string ErrorText(int error) { return std::error_code(error, std::generic_category()).message(); }

void SetWhy(std::string* why, std::string text) {
  if (why) *why = std::move(text);
}

// Why a file cannot be read, as a message says it.
std::string ReadErrorText(int error) {
  switch (error) {
    case ENOENT: return "no such file";
    case ENOTDIR: return "no such file (a part of the path is not a folder)";
    case EACCES:
    case EPERM: return "permission denied";
    case EISDIR: return "is a folder";
    case ELOOP: return "too many symbolic links";
    case ENAMETOOLONG: return "the name is too long";
    default: return ErrorText(error);
  }
}

// What a file that is no regular file is.
std::string KindText(mode_t mode) {
  if (S_ISDIR(mode)) return "is a folder";
  if (S_ISFIFO(mode)) return "is not a regular file but a pipe";
  if (S_ISSOCK(mode)) return "is not a regular file but a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "is not a regular file but a device";
  return "is not a regular file";
}

// The operating system's form of an engine path, or nothing for a path the
// system cannot name (empty, or holding a zero byte that would cut it short).
std::optional<std::string> OsPath(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return std::nullopt;
  return FromEnginePath(path);
}

// A temporary file beside the target, removed again unless the write is
// committed by renaming it into place.
class PendingFile {
 public:
  PendingFile() = default;
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile() {
    Close();
    if (!path_.empty()) {
      ::unlink(path_.c_str());
      leftovers::RemovePath(path_);
    }
  }

  // Creates the file with a new name; returns errno on failure.
  int Create(const std::string& folder, const std::string& base) {
    static thread_local std::mt19937_64 random(std::random_device{}() ^
                                               static_cast<std::uint64_t>(::getpid()));
    // Keep within the system's limit on a name's length.
    std::string stem(1, '.');
    stem.append(base, 0, 200);
    stem.push_back('.');
    for (int attempt = 0; attempt < 100; ++attempt) {
      static constexpr char kDigits[] = "0123456789abcdef";
      std::string unique;
      for (std::uint64_t bits = random(); unique.size() < 12; bits >>= 4) unique += kDigits[bits & 15];
      const std::string candidate = folder + stem + unique + ".tmp";
      auto hold = leftovers::Hold();
      fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) {
        path_ = candidate;
        leftovers::AddPath(path_, leftovers::Kind::File);
        return 0;
      }
      if (errno != EEXIST) return errno;
    }
    return EEXIST;
  }

  int fd() const { return fd_; }
  const std::string& path() const { return path_; }

  // Returns errno, or 0.
  int Close() {
    if (fd_ < 0) return 0;
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : errno;
  }

  // After the rename the temporary name is gone and there is nothing to remove.
  void Committed() {
    leftovers::RemovePath(path_);
    path_.clear();
  }

 private:
  int fd_ = -1;
  std::string path_;
};

// Returns errno, or 0.
int WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return 0;
}

int SyncFile(int fd) {
  while (::fsync(fd) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

// Makes the rename itself durable. Some file systems cannot sync a folder;
// the file's content is on the disk already, so this is best effort.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

std::optional<std::string> TryCreateTemp(std::string folder, const std::string& prefix) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  struct stat info;
  if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
  std::string name = (folder == "/" ? "" : folder) + "/" + prefix + "XXXXXX";
  auto hold = leftovers::Hold();
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return std::nullopt;
  ::close(fd);
  leftovers::AddPath(name, leftovers::Kind::File);
  return ToEnginePath(name);
}

}  // namespace

namespace {

// An open file, closed when it goes.
class OpenFile {
 public:
  explicit OpenFile(int fd) : fd_(fd) {}
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  int fd() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Reads the rest of the file; nothing on failure (*why says why).
std::optional<std::vector<std::uint8_t>> ReadAll(int fd, std::size_t expected, std::string* why) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(expected);
  AdviseFreshPages(bytes.data(), bytes.capacity(), FreshUse::kFilledInTime);
  std::uint8_t block[65536];
  for (;;) {
    const ssize_t got = ::read(fd, block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      SetWhy(why, ReadErrorText(errno));
      return std::nullopt;
    }
    if (got == 0) return bytes;
    bytes.insert(bytes.end(), block, block + got);
  }
}

// Files from this size on are mapped where the process allows it.
constexpr std::size_t kMappedFromSize = std::size_t{1} << 20;

}  // namespace

std::optional<std::vector<std::uint8_t>> StdFileSystem::ReadFile(const std::string& path,
                                                                 std::string* why) {
  int fd = -1;
  const std::optional<std::size_t> size = OpenRegularFile(path, why, fd);
  if (!size) return std::nullopt;
  const OpenFile file(fd);
  return ReadAll(fd, *size, why);
}

std::optional<SourceBytes> StdFileSystem::ReadLargeFile(const std::string& path, std::string* why) {
  int fd = -1;
  const std::optional<std::size_t> size = OpenRegularFile(path, why, fd);
  if (!size) return std::nullopt;
  const OpenFile file(fd);
  if (*size >= kMappedFromSize) {
    if (std::optional<SourceBytes> mapped = MapFile(fd, *size)) return mapped;
  }
  std::optional<std::vector<std::uint8_t>> bytes = ReadAll(fd, *size, why);
  if (!bytes) return std::nullopt;
  return SourceBytes(std::move(*bytes));
}

std::optional<std::size_t> StdFileSystem::OpenRegularFile(const std::string& path, std::string* why, int& fd) {
  const std::optional<std::string> os_path = OsPath(path);
  if (!os_path) {
    SetWhy(why, path.empty() ? "no file name given" : "the file name holds a zero byte");
    return std::nullopt;
  }
  // Refuse what is no regular file before opening it: opening a pipe would
  // wait for a writer, and opening a device may act on it.
  if (!IsReadableFile(path, why)) return std::nullopt;
  OpenFile file(::open(os_path->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (file.fd() < 0) {
    SetWhy(why, ReadErrorText(errno));
    return std::nullopt;
  }
  struct stat info;
  if (::fstat(file.fd(), &info) != 0) {
    SetWhy(why, ReadErrorText(errno));
    return std::nullopt;
  }
  if (!S_ISREG(info.st_mode)) {  // replaced since it was looked at
    SetWhy(why, KindText(info.st_mode));
    return std::nullopt;
  }
  fd = file.Release();
  return static_cast<std::size_t>(info.st_size);
}

bool StdFileSystem::IsReadableFile(const std::string& path, std::string* why) {
  const std::optional<std::string> os_path = OsPath(path);
  if (!os_path) {
    SetWhy(why, path.empty() ? "no file name given" : "the file name holds a zero byte");
    return false;
  }
  struct stat info;
  if (::stat(os_path->c_str(), &info) != 0) {
    SetWhy(why, ReadErrorText(errno));
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    SetWhy(why, KindText(info.st_mode));
    return false;
  }
  if (::access(os_path->c_str(), R_OK) != 0) {
    SetWhy(why, ReadErrorText(errno));
    return false;
  }
  return true;
}

bool StdFileSystem::Exists(const std::string& path) {
  const std::optional<std::string> os_path = OsPath(path);
  struct stat info;
  return os_path && ::stat(os_path->c_str(), &info) == 0;
}

namespace {

// A temporary file beside the target, renamed into place on Commit.
class PendingOutput : public OutputFile {
 public:
  PendingOutput(std::string target, std::string folder) : target_(std::move(target)), folder_(std::move(folder)) {}

  // Returns errno, or 0.
  int Open(const std::string& folderPrefix, const std::string& base) {
    error_ = pending_.Create(folderPrefix, base);
    if (error_ != 0) return error_;
    sync_.emplace(pending_.fd());
    struct stat old_info;
    if (::stat(target_.c_str(), &old_info) == 0 && S_ISREG(old_info.st_mode)) {
      ::fchmod(pending_.fd(), old_info.st_mode & 07777);  // best effort: the content matters most
    }
    return 0;
  }

  bool Write(const std::uint8_t* data, std::size_t size) override {
    if (error_ == 0) error_ = WriteAll(pending_.fd(), data, size);
    if (error_ == 0) StartWriteback(size);
    return error_ == 0;
  }

  bool Commit(std::string* why) override {
    // The final sync starts at once, beside a background sync that may be
    // under way: it waits for the same writes, and more, and a request the
    // background has not taken up yet is met by it.
    if (error_ == 0) error_ = SyncFile(pending_.fd());
    if (sync_) {
      // The system tells of a failed write once: when the background sync
      // was told, the final sync was not.
      const int background = sync_->Stop();
      if (error_ == 0) error_ = background;
    }
    if (error_ == 0) error_ = pending_.Close();
    // The older file's space is given back once the folder is synced: a
    // sync would wait for that too.
    const ReplacedFile older(target_);
    if (error_ == 0 && ::rename(pending_.path().c_str(), target_.c_str()) != 0) error_ = errno;
    if (error_ != 0) {
      SetWhy(why, ErrorText(error_));
      return false;  // the pending file removes itself
    }
    pending_.Committed();
    SyncFolder(folder_);
    error_ = EBADF;  // committed once
    return true;
  }

 private:
  // A large output is sent on to the disk, and synced, while the rest of
  // it is being made, so that the sync on Commit has little left to wait
  // for. (A small one is synced once, on Commit.)
  void StartWriteback(std::size_t size) {
    constexpr std::size_t kWritebackStep = std::size_t{1} << 20;
    written_ += size;
    if (written_ - sentToDisk_ < kWritebackStep) return;
#if defined(__linux__)
    // Best effort: the sync on Commit makes it durable whatever happens here.
    ::sync_file_range(pending_.fd(), static_cast<off_t>(sentToDisk_), static_cast<off_t>(written_ - sentToDisk_),
                      SYNC_FILE_RANGE_WRITE);
#endif
    sentToDisk_ = written_;
    if (sync_) sync_->Request();
  }

  PendingFile pending_;
  std::string target_;
  std::string folder_;
  int error_ = 0;
  std::size_t written_ = 0;
  std::size_t sentToDisk_ = 0;
  // Ends before the file is closed.
  std::optional<BackgroundSync> sync_;
};

}  // namespace

std::unique_ptr<OutputFile> StdFileSystem::OpenOutput(const std::string& path, std::string* why) {
  const std::optional<std::string> target = OsPath(path);
  if (!target) {
    SetWhy(why, path.empty() ? "No file name given" : "The file name holds a zero byte");
    return nullptr;
  }
  const std::size_t slash = target->rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target->substr(0, slash == 0 ? 1 : slash);
  const std::string base = slash == std::string::npos ? *target : target->substr(slash + 1);
  if (base.empty()) {
    SetWhy(why, ErrorText(EISDIR));
    return nullptr;
  }
  // The folder part of a temporary name: "" for the current folder.
  const std::string folder_prefix = slash == std::string::npos ? "" : target->substr(0, slash + 1);
  auto output = std::make_unique<PendingOutput>(*target, folder);
  if (const int error = output->Open(folder_prefix, base); error != 0) {
    SetWhy(why, ErrorText(error));
    return nullptr;
  }
  return output;
}

bool StdFileSystem::WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size,
                              std::string* why) {
  if (data == nullptr && size > 0) {
    SetWhy(why, "No data given");
    return false;
  }
  std::unique_ptr<OutputFile> output = OpenOutput(path, why);
  if (!output) return false;
  output->Write(data, size);
  return output->Commit(why);
}

std::optional<std::string> StdFileSystem::CreateTempFile(const std::string& prefix) {
  if (prefix.find('/') != std::string::npos || prefix.find('\0') != std::string::npos) {
    return std::nullopt;
  }
  const std::string os_prefix = FromEnginePath(prefix);
  if (!temporaryFolder_.empty()) return TryCreateTemp(temporaryFolder_, os_prefix);
  const char* tmpdir = std::getenv("TMPDIR");
  if (tmpdir != nullptr && *tmpdir != '\0') {
    if (std::optional<std::string> made = TryCreateTemp(tmpdir, os_prefix)) return made;
  }
  return TryCreateTemp("/tmp", os_prefix);
}

bool StdFileSystem::RemoveFile(const std::string& path) {
  const std::optional<std::string> os_path = OsPath(path);
  if (!os_path) return false;
  const bool removed = ::unlink(os_path->c_str()) == 0;
  leftovers::RemovePath(*os_path);
  return removed;
}

}  // namespace gridlet
