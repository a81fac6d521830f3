#include "platform/whole_file.h"

#include <gtest/gtest.h>

#include <string>

#include "temp_dir.h"

namespace velkaro {
namespace {

using testing::TempDir;

// A file read whole holds exactly the file's bytes, whatever its size says:
// a file that claims none (a kernel file), an empty one, one of several
// megabytes with every byte value; a missing file is no file.
TEST(WholeFile, HoldsExactlyTheFilesBytes) {
  TempDir dir;
  std::string big(5 << 20, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 + i / 7);
  const std::string small = "a,1\nb,2\n";
  struct Case {
    std::string path;
    std::string expected;
  };
  const Case cases[] = {
      {dir.write("small.xml", small), small},
      {dir.write("empty.xml", ""), ""},
      {dir.write("big.xml", big), big},
  };
  for (const Case& c : cases) {
    WholeFile file;
    ASSERT_TRUE(file.read(c.path)) << c.path;
    EXPECT_TRUE(file.bytes() == c.expected) << c.path << ": " << file.bytes().size() << " bytes";
  }
  WholeFile kernelFile;
  ASSERT_TRUE(kernelFile.read("/proc/self/status"));
  EXPECT_NE(kernelFile.bytes().find("Name:"), std::string_view::npos);

  WholeFile missing;
  EXPECT_FALSE(missing.read(dir.file("missing.xml")));
  EXPECT_TRUE(missing.bytes().empty());

  // One object reading file after file into the memory it keeps: each read
  // holds exactly its own file, however the sizes go up and down, and a
  // failed read holds nothing of the one before.
  const std::string bigger = big + "tail";
  const Case sequence[] = {
      {dir.write("a.xml", big), big},      {dir.write("b.xml", small), small},
      {dir.write("c.xml", bigger), bigger}, {dir.write("d.xml", ""), ""},
      {dir.write("e.xml", small), small},
  };
  WholeFile reused;
  for (const Case& c : sequence) {
    ASSERT_TRUE(reused.read(c.path)) << c.path;
    EXPECT_TRUE(reused.bytes() == c.expected) << c.path << ": " << reused.bytes().size() << " bytes";
  }
  EXPECT_FALSE(reused.read(dir.file("missing.xml")));
  EXPECT_TRUE(reused.bytes().empty());
}

}  // namespace
}  // namespace velkaro
