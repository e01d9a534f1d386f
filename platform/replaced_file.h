// The file that a rename is about to replace, held across it. A replaced
// file's pages and blocks are given back when the last reference to it
// goes: for a file of megabytes that takes a few milliseconds, which the
// rename itself would otherwise spend. Held, a large one is let go on a
// thread of its own, beside the work that follows.
#pragma once

#include <string>

namespace gridlet {

class ReplacedFile {
 public:
  // Holds what `path` names now, if anything (a file, or a link itself).
  explicit ReplacedFile(const std::string& path);
  // Lets it go: a large file on a thread of its own, a small one (or any,
  // when no thread can be started) here.
  ~ReplacedFile();
  ReplacedFile(const ReplacedFile&) = delete;
  ReplacedFile& operator=(const ReplacedFile&) = delete;

 private:
  int fd_;
};

}  // namespace gridlet
