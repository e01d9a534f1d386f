// The entry of every Wine test program: the main thread is a
// single-threaded apartment, as in the converter's callers.
#include <gtest/gtest.h>

#include "wine_test_support.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  gridlet::wine_test::ComApartment apartment;
  if (FAILED(apartment.Result())) return 1;
  return RUN_ALL_TESTS();
}
