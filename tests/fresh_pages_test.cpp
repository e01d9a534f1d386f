#include "platform/fresh_pages.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <vector>

namespace gridlet {
namespace {

std::size_t PageSize() { return static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)); }

// A fresh anonymous mapping, unmapped at the end.
class FreshMapping {
 public:
  explicit FreshMapping(std::size_t size)
      : size_(size), start_(::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)) {}
  ~FreshMapping() {
    if (start_ != MAP_FAILED) ::munmap(start_, size_);
  }
  FreshMapping(const FreshMapping&) = delete;
  FreshMapping& operator=(const FreshMapping&) = delete;

  bool Ok() const { return start_ != MAP_FAILED; }
  void* Start() const { return start_; }
  // How many of its pages are made (resident).
  std::size_t MadePages() const {
    std::vector<unsigned char> made(Pages());
    if (::mincore(start_, size_, made.data()) != 0) return SIZE_MAX;
    std::size_t count = 0;
    for (unsigned char m : made) count += m & 1;
    return count;
  }
  std::size_t Pages() const { return size_ / PageSize(); }

 private:
  std::size_t size_;
  void* start_;
};

TEST(FreshPagesTest, ABufferFilledWholeHasItsPagesMadeAtOnceAndOneFilledInTimeHasNone) {
  constexpr std::size_t kSize = std::size_t{256} << 10;
  FreshMapping inTime(kSize);
  FreshMapping whole(kSize);
  ASSERT_TRUE(inTime.Ok() && whole.Ok());
  ASSERT_EQ(inTime.MadePages(), 0u);
  AdviseFreshPages(inTime.Start(), kSize, FreshUse::kFilledInTime);
  EXPECT_EQ(inTime.MadePages(), 0u);
  AdviseFreshPages(whole.Start(), kSize, FreshUse::kFilledWhole);
  const std::size_t made = whole.MadePages();
  if (made == 0) GTEST_SKIP() << "this system cannot make pages in advance";
  EXPECT_EQ(made, whole.Pages());
}

TEST(FreshPagesTest, OnlyWholePagesInsideTheBufferAreMade) {
  const std::size_t page = PageSize();
  FreshMapping mapping(8 * page);
  ASSERT_TRUE(mapping.Ok());
  // From the middle of the first page to the middle of the last: the six
  // between are the buffer's own.
  auto* start = static_cast<unsigned char*>(mapping.Start()) + page / 2;
  AdviseFreshPages(start, 7 * page, FreshUse::kFilledWhole);
  const std::size_t made = mapping.MadePages();
  if (made == 0) GTEST_SKIP() << "this system cannot make pages in advance";
  EXPECT_EQ(made, 6u);
}

}  // namespace
}  // namespace gridlet
