#include <gtest/gtest.h>

#include "archive/member_names.h"
#include "platform/text_encoding.h"

using namespace velkaro;

TEST(MemberNames, DecodesUtf8AndCp932NamesAndWindowsSeparators) {
  struct Row {
    std::string bytes, expected;
  };
  const Row rows[] = {
      {"plain/name.xml", "plain/name.xml"},
      {"標高/utf8名.xml", "標高/utf8名.xml"},                       // flagged UTF-8 arrives as UTF-8
      {Utf8ToCp932("地図/シフトJIS名.xml"), "地図/シフトJIS名.xml"},  // unflagged CP932
      {"dir\\file.xml", "dir/file.xml"},
      // "表" is 0x95 0x5C: its trail byte must not become a separator.
      {Utf8ToCp932("地図\\表示.xml"), "地図/表示.xml"},
  };
  for (const Row& r : rows) EXPECT_EQ(MemberNameToUtf8(r.bytes), r.expected) << r.expected;
}

TEST(MemberNames, KeepsMembersInsideTheFolder) {
  struct Row {
    const char* name;
    MemberPathProblem problem;
    const char* relative;
  };
  const Row rows[] = {
      {"a/b.xml", MemberPathProblem::None, "a/b.xml"},
      {"./a//b.xml", MemberPathProblem::None, "a/b.xml"},
      {"dir/", MemberPathProblem::None, "dir"},
      {"a/./b/", MemberPathProblem::None, "a/b"},
      {"x..y/..z", MemberPathProblem::None, "x..y/..z"},   // dots inside names are fine
      {"", MemberPathProblem::Empty, ""},
      {"./", MemberPathProblem::Empty, ""},
      {"../evil.txt", MemberPathProblem::ParentStep, ""},
      {"a/../../evil.txt", MemberPathProblem::ParentStep, ""},
      {"a/..", MemberPathProblem::ParentStep, ""},
      {"/etc/passwd", MemberPathProblem::Absolute, ""},
      {"C:/Windows/x", MemberPathProblem::Absolute, ""},
      {"c:x", MemberPathProblem::Absolute, ""},
  };
  for (const Row& r : rows) {
    const MemberPath p = SafeMemberPath(r.name);
    EXPECT_EQ(p.problem, r.problem) << r.name;
    EXPECT_EQ(p.relative, r.relative) << r.name;
  }
}

TEST(MemberNames, FileNamesAndZipNames) {
  EXPECT_EQ(MemberFileName("a/b/c.xml"), "c.xml");
  EXPECT_EQ(MemberFileName("c.xml"), "c.xml");
  EXPECT_EQ(MemberFileName("a/b/"), "b");
  EXPECT_TRUE(IsZipName("FG-GML-3624-30-DEM5B.zip"));
  EXPECT_TRUE(IsZipName("BUNDLE.ZIP"));
  EXPECT_FALSE(IsZipName("zip"));
  EXPECT_FALSE(IsZipName("a.zipx"));
  EXPECT_FALSE(IsZipName(".xml"));
}
