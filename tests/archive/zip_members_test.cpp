#include <gtest/gtest.h>

#include "archive/zip_members.h"
#include "archive_test_support.h"
#include "platform/file_search.h"

using namespace velkaro;
using namespace velkaro::testing;

namespace {

ZipMemberFilter ByPattern(const char* pattern) {
  ZipMemberFilter f;
  f.member = [pattern](std::string_view name) { return WildcardMatch(pattern, name); };
  return f;
}

}  // namespace

TEST(ZipMembers, RealDownloadMembersReadInPlaceEqualTheExpandedFiles) {
  if (!HaveDemSamples()) GTEST_SKIP() << "no DEM samples";
  const std::string zip = DemSample("FG-GML-3624-30-DEM5B.zip");
  std::vector<ZipMemberRef> all;
  std::string error;
  ASSERT_TRUE(ListZipMembers(zip, ByPattern("*dem5*.xml"), all, error)) << error;
  EXPECT_EQ(all.size(), 8u);

  std::vector<ZipMemberRef> some;
  ASSERT_TRUE(ListZipMembers(zip, ByPattern("*-98-*.xml"), some, error));
  ASSERT_EQ(some.size(), 1u);
  EXPECT_EQ(some[0].fileName(), "FG-GML-3624-30-98-DEM5B-20170202.xml");
  EXPECT_EQ(some[0].size, 2009);
  std::string bytes;
  ASSERT_TRUE(ReadZipMember(some[0], bytes, error)) << error;
  EXPECT_EQ(bytes, TempDir::read(DemSample("FG-GML-3624-30-98-DEM5B-20170202.xml")));

  int visited = 0;
  ASSERT_TRUE(ForEachZipMember(zip, ByPattern("*-76-*"),
                               [&](const ZipMemberRef& ref, std::string_view data) {
                                 ++visited;
                                 EXPECT_EQ(ref.display(), zip + "/" + ref.member);
                                 EXPECT_EQ(data, TempDir::read(DemSample("FG-GML-3624-30-76-DEM5B-20170202.xml")));
                                 return true;
                               },
                               error));
  EXPECT_EQ(visited, 1);
}

TEST(ZipMembers, MembersOfZipsInsideZipsAreFoundAndRead) {
  const std::string zip = ArchiveFixture("nested.zip");
  std::vector<ZipMemberRef> found;
  std::string error;
  ASSERT_TRUE(ListZipMembers(zip, ByPattern("*-dem.xml"), found, error)) << error;
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].member, "top-dem.xml");
  EXPECT_EQ(found[1].nesting, std::vector<std::string>{"inner.zip"});
  EXPECT_EQ(found[2].nesting, (std::vector<std::string>{"inner.zip", "deeper/deep.zip"}));
  EXPECT_EQ(found[2].display(), zip + "/inner.zip/deeper/deep.zip/b-dem.xml");
  const char* contents[] = {"top member\n", "inner member\n", "deep member\n"};
  for (size_t i = 0; i < found.size(); ++i) {
    std::string bytes;
    ASSERT_TRUE(ReadZipMember(found[i], bytes, error)) << error;
    EXPECT_EQ(bytes, contents[i]);
  }

  // Inner zips the filter turns down stay closed; depth is limited.
  ZipMemberFilter noInner = ByPattern("*.xml");
  noInner.innerZip = [](std::string_view) { return false; };
  found.clear();
  ASSERT_TRUE(ListZipMembers(zip, noInner, found, error));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].member, "top-dem.xml");
  ZipMemberFilter shallow = ByPattern("*-dem.xml");
  shallow.maxDepth = 1;
  found.clear();
  ASSERT_TRUE(ListZipMembers(zip, shallow, found, error));
  EXPECT_EQ(found.size(), 2u);
}

TEST(ZipMembers, LeadingBytesOnlyWhenAsked) {
  ZipMemberFilter f = ByPattern("*-dem.xml");
  f.prefixBytes = 5;
  std::vector<std::string> seen;
  std::string error;
  ASSERT_TRUE(ForEachZipMember(ArchiveFixture("nested.zip"), f,
                               [&](const ZipMemberRef&, std::string_view data) {
                                 seen.emplace_back(data);
                                 return seen.size() < 2;   // stops after the second
                               },
                               error));
  EXPECT_EQ(seen, (std::vector<std::string>{"top m", "inner"}));
}

TEST(ZipMembers, DamagedArchivesAndMissingMembersAreErrorsThatNameThem) {
  TempDir dir;
  const std::string whole = TempDir::read(ArchiveFixture("nested.zip"));
  const std::string cut = dir.write("cut.zip", whole.substr(0, whole.size() / 2));
  std::vector<ZipMemberRef> found;
  std::string error;
  EXPECT_FALSE(ListZipMembers(cut, ByPattern("*"), found, error));
  EXPECT_NE(error.find("cut.zip"), std::string::npos) << error;

  std::string bytes;
  ZipMemberRef missing{ArchiveFixture("nested.zip"), {"inner.zip"}, "gone.xml", -1};
  EXPECT_FALSE(ReadZipMember(missing, bytes, error));
  EXPECT_NE(error.find("gone.xml"), std::string::npos) << error;
  EXPECT_NE(error.find("inner.zip"), std::string::npos) << error;
  ZipMemberRef nowhere{dir.file("absent.zip"), {}, "a.xml", -1};
  EXPECT_FALSE(ReadZipMember(nowhere, bytes, error));
  EXPECT_NE(error.find("absent.zip"), std::string::npos) << error;
}

TEST(ZipMembers, UnsafeMemberNamesAreNeverHandedOver) {
  std::vector<ZipMemberRef> found;
  std::string error;
  ASSERT_TRUE(ListZipMembers(ArchiveFixture("escape.zip"), ByPattern("*"), found, error)) << error;
  std::vector<std::string> names;
  for (const ZipMemberRef& r : found) names.push_back(r.member);
  EXPECT_EQ(names, (std::vector<std::string>{"safe.txt", "after.txt"}));
}
