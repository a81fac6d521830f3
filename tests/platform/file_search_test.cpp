#include "platform/file_search.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "temp_dir.h"

namespace velkaro {
namespace {

using testing::TempDir;

TEST(FileSearchTest, WildcardsMatchTheNameIgnoringAsciiCase) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"*.xml", "FG-GML-5339-45-RdEdg-20230101-0001.xml", true},
      {"*.xml", "a.XML", true},
      {"*.XML", "a.xml", true},
      {"*.xml", "a.xml.bak", false},
      {"*.xml", ".xml", true},
      {"*dem10*.xml", "FG-GML-5339-45-DEM10B-20161001.xml", true},
      {"*dem10*.xml", "FG-GML-5339-45-dem5a-20161001.xml", false},
      {"*.flt", "etopo1_bed.FLT", true},
      {"?.txt", "a.txt", true},
      {"?.txt", "ab.txt", false},
      {"?.txt", "道.txt", true},       // one character, three bytes
      {"*", "", true},
      {"", "a", false},
      {"a*b*c", "aXXbYYc", true},
      {"a*b*c", "aXXbYY", false},
      {"**x", "abx", true},
      {"基盤*.pxk", "基盤地図情報標準.pxk", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " vs " << c.name;
}

TEST(FileSearchTest, FindsFilesSortedByPathAndOnlyFiles) {
  TempDir dir;
  dir.write("b.xml", "");
  dir.write("A.XML", "");
  dir.write("note.txt", "");
  dir.write("sub/c.xml", "");
  dir.write("sub/deeper/d.Xml", "");
  std::filesystem::create_directories(dir.file("folder.xml"));  // a folder, not a file

  const std::string root = dir.path();
  EXPECT_EQ(FindFiles(root, "*.xml", false),
            (std::vector<std::string>{root + "/A.XML", root + "/b.xml"}));
  EXPECT_EQ(FindFiles(root + "/", "*.xml", true),
            (std::vector<std::string>{root + "/A.XML", root + "/b.xml", root + "/sub/c.xml",
                                      root + "/sub/deeper/d.Xml"}));
  EXPECT_EQ(FindFiles(root, "*.flt", true), std::vector<std::string>{});
}

TEST(FileSearchTest, MissingFolderOrAFileGivesAnEmptyList) {
  TempDir dir;
  const std::string file = dir.write("a.xml", "");
  EXPECT_TRUE(FindFiles(dir.file("missing"), "*.xml", true).empty());
  EXPECT_TRUE(FindFiles(file, "*.xml", true).empty());
  EXPECT_TRUE(FindFiles("", "*.xml", false).empty());
}

TEST(FileSearchTest, LinkedFolderLoopsAreNotFollowed) {
  TempDir dir;
  dir.write("sub/a.xml", "");
  std::filesystem::create_directory_symlink(dir.path(), dir.file("sub/loop"));
  EXPECT_EQ(FindFiles(dir.path(), "*.xml", true),
            std::vector<std::string>{dir.path() + "/sub/a.xml"});
}

}  // namespace
}  // namespace velkaro
