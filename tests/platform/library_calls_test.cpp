// Libraries opened on first use: the tables of the libraries the program
// was built against fill, and a missing library or call is named.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/archive_calls.h"
#include "platform/gl_calls.h"
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

bool SoftwareGlMapped() {
  std::ifstream maps("/proc/self/maps");
  const std::string text((std::istreambuf_iterator<char>(maps)), {});
  return text.find("libOSMesa") != std::string::npos;
}

// The software GL (and LLVM with it) comes in with the first GL call, not
// with the program; without a context its calls do nothing.
TEST(LibraryCalls, TheSoftwareGlOpensOnFirstUse) {
  EXPECT_FALSE(SoftwareGlMapped());
  EXPECT_EQ(glGenLists(1), 0u);
  EXPECT_TRUE(SoftwareGlMapped());
  std::string error;
  EXPECT_TRUE(LoadGl(&error)) << error;
}

}  // namespace
}  // namespace velkaro
