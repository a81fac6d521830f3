// Libraries opened on first use: the tables of the libraries the program
// was built against fill, and a missing library or call is named.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/archive_calls.h"
#include "platform/library_calls.h"
#include "platform/proj_calls.h"
#include "platform/tiff_calls.h"

namespace velkaro {
namespace {

TEST(LibraryCalls, TheBuiltAgainstLibrariesLoad) {
  std::string error;
  EXPECT_NE(LoadTiff(&error), nullptr) << error;
  EXPECT_NE(LoadProj(&error), nullptr) << error;
  EXPECT_NE(LoadArchive(&error), nullptr) << error;
}

TEST(LibraryCalls, AMissingLibraryOrCallIsNamed) {
  std::vector<void*> libraries;
  std::string error;
  EXPECT_FALSE(OpenLibraries({"libc.so.6", "libvelkaro-absent.so.9"}, "Absent", libraries, error));
  EXPECT_EQ(error, "cannot load Absent (libvelkaro-absent.so.9)");

  libraries.clear();
  ASSERT_TRUE(OpenLibraries({"libc.so.6"}, "libc", libraries, error));
  decltype(&std::strlen) length = nullptr;
  ASSERT_TRUE(FindCall(libraries, "strlen", "libc", length, error));
  EXPECT_EQ(length("four"), 4u);
  EXPECT_FALSE(FindCall(libraries, "velkaro_no_such_call", "libc", length, error));
  EXPECT_EQ(length, nullptr);
  EXPECT_EQ(error, "this libc lacks the call velkaro_no_such_call");
}

}  // namespace
}  // namespace velkaro
