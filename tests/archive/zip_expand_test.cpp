#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "archive/zip_expand.h"
#include "archive_test_support.h"

using namespace velkaro;
using namespace velkaro::testing;
namespace fs = std::filesystem;

namespace {

class Recorder : public ExpandObserver {
 public:
  void archiveDone(const ArchiveResult& r, int, int) override { results.push_back(r); }
  const ArchiveResult* find(const std::string& fileName) const {
    for (const ArchiveResult& r : results)
      if (fs::path(r.path).filename() == fileName) return &r;
    return nullptr;
  }
  std::vector<ArchiveResult> results;
};

bool AnyMessageNames(const ArchiveResult& r, const std::string& name) {
  return std::any_of(r.messages.begin(), r.messages.end(),
                     [&](const std::string& m) { return m.find(name) != std::string::npos; });
}

// Files below a folder whose names hold ".part" (left-over temporaries).
int PartFiles(const std::string& folder) {
  int n = 0;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.path().filename().string().find(".part") != std::string::npos) ++n;
  return n;
}

}  // namespace

TEST(ZipExpand, RealDownloadsExpandByteForByteAndASecondRunWritesNothing) {
  if (!HaveDemSamples()) GTEST_SKIP() << "no DEM samples";
  TempDir dir;
  CopyInto(dir, DemSample("FG-GML-3624-30-DEM5B.zip"), "a/FG-GML-3624-30-DEM5B.zip");
  CopyInto(dir, DemSample("FG-GML-3926-76-DEM10B.zip"), "b/c/FG-GML-3926-76-DEM10B.zip");
  Recorder first;
  const ExpandSummary s = ExpandZipsBelow(dir.path(), {}, first);
  EXPECT_EQ(s.archives, 2);
  EXPECT_EQ(s.failed, 0);
  EXPECT_EQ(s.written, 9);
  for (const char* name : {"FG-GML-3624-30-76-DEM5B-20170202.xml", "FG-GML-3624-30-98-DEM5B-20170202.xml"})
    EXPECT_EQ(TempDir::read(dir.file(std::string("a/") + name)), TempDir::read(DemSample(name))) << name;
  EXPECT_EQ(TempDir::read(dir.file("b/c/FG-GML-3926-76-DEM10B-20161001.xml")),
            TempDir::read(DemSample("FG-GML-3926-76-DEM10B-20161001.xml")));
  EXPECT_EQ(PartFiles(dir.path()), 0);

  Recorder second;
  const ExpandSummary again = ExpandZipsBelow(dir.path(), {}, second);
  EXPECT_EQ(again.written, 0);
  EXPECT_EQ(again.identical, 9);
  EXPECT_EQ(again.failed, 0);
}

TEST(ZipExpand, EscapingMembersAreRefusedByNameAndNothingLandsOutside) {
  TempDir outer;
  const std::string folder = outer.path() + "/data";
  CopyInto(outer, ArchiveFixture("escape.zip"), "data/escape.zip");
  fs::remove("/tmp/velkaro-abs.txt");
  Recorder rec;
  const ExpandSummary s = ExpandZipsBelow(folder, {}, rec);
  ASSERT_EQ(rec.results.size(), 1u);
  const ArchiveResult& r = rec.results[0];
  EXPECT_TRUE(r.failed());
  EXPECT_FALSE(r.damaged);
  EXPECT_EQ(r.refused, 4);
  for (const char* name : {"../evil.txt", "sub/../../evil2.txt", "/tmp/velkaro-abs.txt", "link"})
    EXPECT_TRUE(AnyMessageNames(r, std::string("\"") + name + "\"")) << name;
  // The safe members around them are expanded.
  EXPECT_EQ(TempDir::read(folder + "/safe.txt"), "safe\n");
  EXPECT_EQ(TempDir::read(folder + "/after.txt"), "after\n");
  EXPECT_FALSE(fs::exists(outer.path() + "/evil.txt"));
  EXPECT_FALSE(fs::exists(outer.path() + "/evil2.txt"));
  EXPECT_FALSE(fs::exists("/tmp/velkaro-abs.txt"));
  EXPECT_FALSE(fs::exists(folder + "/link"));
  EXPECT_EQ(s.failed, 1);
}

TEST(ZipExpand, AFolderThatIsALinkOnDiskIsNotWrittenThrough) {
  TempDir outer;
  fs::create_directories(outer.path() + "/data");
  fs::create_directories(outer.path() + "/elsewhere");
  fs::create_directory_symlink(outer.path() + "/elsewhere", outer.path() + "/data/標高");
  CopyInto(outer, ArchiveFixture("names.zip"), "data/names.zip");
  const ArchiveResult r = ExpandZip(outer.path() + "/data/names.zip", {});
  EXPECT_EQ(r.refused, 1);
  EXPECT_TRUE(fs::is_empty(outer.path() + "/elsewhere"));
}

TEST(ZipExpand, ATruncatedZipIsNamedAndTheOthersAreExpanded) {
  if (!HaveDemSamples()) GTEST_SKIP() << "no DEM samples";
  TempDir dir;
  const std::string whole = TempDir::read(DemSample("FG-GML-3624-30-DEM5B.zip"));
  dir.write("1-cut.zip", whole.substr(0, whole.size() / 2));
  dir.write("2-cut-tail.zip", whole.substr(0, whole.size() - 30));   // central directory cut
  dir.write("3-empty.zip", "");
  CopyInto(dir, DemSample("FG-GML-3926-76-DEM10B.zip"), "4-good.zip");
  Recorder rec;
  const ExpandSummary s = ExpandZipsBelow(dir.path(), {}, rec);
  EXPECT_EQ(s.archives, 4);
  EXPECT_EQ(s.failed, 3);
  for (const char* bad : {"1-cut.zip", "2-cut-tail.zip", "3-empty.zip"}) {
    const ArchiveResult* r = rec.find(bad);
    ASSERT_NE(r, nullptr) << bad;
    EXPECT_TRUE(r->damaged) << bad;
    EXPECT_TRUE(AnyMessageNames(*r, bad)) << bad;
  }
  EXPECT_EQ(TempDir::read(dir.file("FG-GML-3926-76-DEM10B-20161001.xml")),
            TempDir::read(DemSample("FG-GML-3926-76-DEM10B-20161001.xml")));
  EXPECT_EQ(PartFiles(dir.path()), 0);
}

TEST(ZipExpand, ADamagedMemberLeavesNoFileUnderItsName) {
  // The first member's compressed data spoilt: the central directory still
  // reads, the member's inflate or checksum fails.
  TempDir dir;
  std::string bytes = TempDir::read(ArchiveFixture("nested.zip"));
  const size_t data = 30 + std::string("top-dem.xml").size();   // after the local header
  for (size_t i = data; i < data + 6; ++i) bytes[i] = static_cast<char>(bytes[i] ^ 0x5a);
  dir.write("bad.zip", bytes);
  const ArchiveResult r = ExpandZip(dir.file("bad.zip"), {});
  EXPECT_TRUE(r.damaged);
  EXPECT_TRUE(AnyMessageNames(r, "bad.zip"));
  EXPECT_FALSE(fs::exists(dir.file("top-dem.xml")));
  EXPECT_EQ(PartFiles(dir.path()), 0);
}

TEST(ZipExpand, Cp932AndUtf8MemberNamesBecomeUtf8FileNames) {
  TempDir dir;
  CopyInto(dir, ArchiveFixture("names.zip"));
  const ArchiveResult r = ExpandZip(dir.file("names.zip"), {});
  EXPECT_FALSE(r.failed());
  EXPECT_EQ(r.written, 3);
  EXPECT_EQ(TempDir::read(dir.file("標高/utf8名.xml")), "utf-8 name, flag bit 11 set\n");
  EXPECT_EQ(TempDir::read(dir.file("地図/シフトJIS名.xml")), "cp932 name\n");
  EXPECT_EQ(TempDir::read(dir.file("地図/表示.xml")), "backslash separator\n");
}

TEST(ZipExpand, ADifferentFileIsKeptUnlessOverwriteIsAsked) {
  TempDir dir;
  CopyInto(dir, ArchiveFixture("names.zip"));
  struct Row {
    std::string existing;
    bool overwrite;
    const char* after;
    int written, identical, kept;
  };
  const Row rows[] = {
      {"cp932 name\n", false, "cp932 name\n", 2, 1, 0},
      {"cp932 name\nand more\n", false, "cp932 name\nand more\n", 2, 0, 1},   // longer
      {"cp932", false, "cp932", 2, 0, 1},                                       // shorter
      {"CP932 NAME\n", true, "cp932 name\n", 3, 0, 0},
      {"cp932 name\nand more\n", true, "cp932 name\n", 3, 0, 0},
  };
  for (const Row& row : rows) {
    fs::remove_all(dir.file("標高"));
    dir.write("地図/シフトJIS名.xml", row.existing);
    fs::remove(dir.file("地図/表示.xml"));
    ExpandOptions options;
    options.overwrite = row.overwrite;
    const ArchiveResult r = ExpandZip(dir.file("names.zip"), options);
    EXPECT_EQ(TempDir::read(dir.file("地図/シフトJIS名.xml")), row.after) << row.existing;
    EXPECT_EQ(r.written, row.written) << row.existing;
    EXPECT_EQ(r.identical, row.identical) << row.existing;
    EXPECT_EQ(r.kept, row.kept) << row.existing;
    if (row.kept) {
      EXPECT_TRUE(AnyMessageNames(r, "シフトJIS名.xml"));
    }
  }
  EXPECT_EQ(PartFiles(dir.path()), 0);
}

TEST(ZipExpand, ZipsInsideZipsAreExpandedInTurnToTheGivenDepth) {
  TempDir dir;
  CopyInto(dir, ArchiveFixture("nested.zip"));
  Recorder rec;
  const ExpandSummary s = ExpandZipsBelow(dir.path(), {}, rec);
  EXPECT_EQ(s.archives, 3);
  EXPECT_EQ(s.failed, 0);
  EXPECT_EQ(TempDir::read(dir.file("top-dem.xml")), "top member\n");
  EXPECT_EQ(TempDir::read(dir.file("a-dem.xml")), "inner member\n");
  EXPECT_EQ(TempDir::read(dir.file("deeper/b-dem.xml")), "deep member\n");
  ASSERT_NE(rec.find("deep.zip"), nullptr);
  EXPECT_EQ(rec.find("deep.zip")->depth, 2);

  TempDir shallow;
  CopyInto(shallow, ArchiveFixture("nested.zip"));
  ExpandOptions options;
  options.maxDepth = 1;
  Recorder limited;
  const ExpandSummary cut = ExpandZipsBelow(shallow.path(), options, limited);
  EXPECT_EQ(cut.archives, 2);
  EXPECT_EQ(cut.failed, 1);
  EXPECT_FALSE(fs::exists(shallow.file("deeper/b-dem.xml")));
}
