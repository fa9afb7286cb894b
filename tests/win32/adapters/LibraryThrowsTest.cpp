// Velmora.exe's own throw helpers stand in for the standard library's (the
// link would fail if both were in): its failures still throw, are caught as
// std::exception, and name the failed call.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

TEST(LibraryThrowsTest, TheLibrarysFailuresStillThrowAndNameTheCall) {
  const std::string text = "ab";
  try {
    (void)text.substr(5);
    FAIL() << "substr past the end returned";
  } catch (const std::exception& error) {
    EXPECT_STREQ(error.what(), "basic_string::substr");
  }
  std::vector<int> numbers;
  EXPECT_THROW((void)numbers.at(0), std::exception);
  EXPECT_THROW(numbers.reserve(numbers.max_size() + 1), std::exception);
  EXPECT_THROW(std::function<void()>()(), std::bad_function_call);
}
