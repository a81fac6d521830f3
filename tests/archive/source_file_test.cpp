#include <gtest/gtest.h>

#include <filesystem>

#include "archive/archive_listings.h"
#include "archive/source_file.h"
#include "archive_test_support.h"
#include "zip_builder.h"

using namespace velkaro;
using namespace velkaro::testing;

namespace {

std::vector<std::string> Displays(const SourceList& list) {
  std::vector<std::string> out;
  for (const SourceRef& ref : list.files) out.push_back(ref.display());
  return out;
}

}  // namespace

TEST(ArchiveMeshDigits, CodesOfGsiDownloadNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"FG-GML-523945-ALL-20230101.zip", "523945"},
      {"FG-GML-523945-05-20230101.zip", "523945"},
      {"fg-gml-533946-all-20230101.ZIP", "533946"},
      {"FG-GML-3624-30-DEM5B.zip", "362430"},
      {"FG-GML-5339-45-00-DEM5A.zip", "53394500"},
      {"FG-GML-5339-DEM250.zip", "5339"},
      {"FG-GML-533844-DEM1A-20251113.zip", "533844"},
      {"FG-GML-5339-45-20161001.zip", "533945"},  // a date is no third level
      {"FG-GML-533986-ALL.zip", ""},              // 8 is no second-level digit
      {"FG-GML-53394-ALL.zip", ""},
      {"PackDLMap.zip", ""},
      {"533946.zip", ""},
  };
  for (const auto& [name, digits] : cases) EXPECT_EQ(ArchiveMeshDigits(name), digits) << name;
  EXPECT_TRUE(MeshDigitsNest("5339", "533946"));
  EXPECT_TRUE(MeshDigitsNest("53394610", "533946"));
  EXPECT_FALSE(MeshDigitsNest("533946", "533947"));
  EXPECT_FALSE(MeshDigitsNest("", "533946"));
}

TEST(FindSources, PlainFilesThenZipMembersInsideZipsExpandedCopiesReadOnce) {
  TempDir dir;
  dir.write("plain-RdEdg-1.xml", "plain\n");
  dir.write("other-WL-1.xml", "not wanted\n");
  dir.write("sub/already-RdEdg-2.xml", "expanded\n");
  const std::string inner = ZipBytes({{"x/deep-RdEdg-3.xml", "deep\n"}, {"x/deep-WL-3.xml", "no\n"}});
  dir.write("sub/dl.zip", ZipBytes({{"already-RdEdg-2.xml", "expanded\n"},
                                    {"zipped-RdEdg-4.xml", "zipped\n"},
                                    {"in/inner.zip", inner}}));

  SourceQuery query;
  query.pattern = "*RdEdg*.xml";
  query.subfolders = true;
  const SourceList list = FindSources(dir.path(), query);
  EXPECT_TRUE(list.problems.empty());
  const std::string zip = dir.file("sub/dl.zip");
  EXPECT_EQ(Displays(list), (std::vector<std::string>{dir.file("plain-RdEdg-1.xml"),
                                                      dir.file("sub/already-RdEdg-2.xml"),
                                                      zip + "/zipped-RdEdg-4.xml",
                                                      zip + "/in/inner.zip/x/deep-RdEdg-3.xml"}));
  EXPECT_EQ(list.files[3].fileName(), "deep-RdEdg-3.xml");
  EXPECT_EQ(list.files[3].expandedPath(), dir.file("sub/in/x/deep-RdEdg-3.xml"));

  // Read back: plain files stay on disk, members come from memory.
  SourceLoader loader;
  SourceFile file{std::string()};
  std::string error;
  ASSERT_TRUE(loader.load(list.files[0], file, error));
  EXPECT_FALSE(file.inMemory());
  EXPECT_EQ(file.path(), dir.file("plain-RdEdg-1.xml"));
  const char* bytes[] = {"zipped\n", "deep\n"};
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(loader.load(list.files[2 + i], file, error)) << error;
    EXPECT_TRUE(file.inMemory());
    EXPECT_EQ(file.bytes(), bytes[i]);
    EXPECT_EQ(file.name(), list.files[2 + i].display());
  }

  // Without subfolders only the top folder is searched.
  query.subfolders = false;
  EXPECT_EQ(Displays(FindSources(dir.path(), query)),
            std::vector<std::string>{dir.file("plain-RdEdg-1.xml")});
}

TEST(FindSources, ZipAtTheTopOfABundleExpandsIntoTheBundlesFolder) {
  TempDir dir;
  dir.write("a-RdEdg-1.xml", "expanded\n");
  dir.write("bundle.zip", ZipBytes({{"inner.zip", ZipBytes({{"a-RdEdg-1.xml", "expanded\n"},
                                                             {"b-RdEdg-2.xml", "zipped\n"}})}}));
  SourceQuery query;
  query.pattern = "*RdEdg*.xml";
  const SourceList list = FindSources(dir.path(), query);
  ASSERT_EQ(list.files.size(), 2u);  // the expanded copy is read, not the member
  EXPECT_EQ(list.files[0].display(), dir.file("a-RdEdg-1.xml"));
  EXPECT_EQ(list.files[1].expandedPath(), dir.file("b-RdEdg-2.xml"));
}

TEST(FindSources, ArchivesTurnedDownByNameStayClosedDamagedOnesAreNamed) {
  TempDir dir;
  dir.write("FG-GML-523945-ALL-20230101.zip", "no zip at all");
  dir.write("FG-GML-533946-ALL-20230101.zip", ZipBytes({{"FG-GML-533946-RdEdg-1.xml", "x\n"}}));
  const std::string good = ZipBytes({{"FG-GML-533946-RdEdg-2.xml", "y\n"}});
  dir.write("PackDLMap.zip", ZipBytes({{"FG-GML-533946-ALL-2.zip", good},
                                       {"FG-GML-523945-ALL-2.zip", "damaged inner zip"}}));
  SourceQuery query;
  query.pattern = "*RdEdg*.xml";
  query.archiveWanted = [](std::string_view name) {
    const std::string digits = ArchiveMeshDigits(name);
    return digits.empty() || MeshDigitsNest(digits, "533946");
  };
  SourceList list = FindSources(dir.path(), query);
  EXPECT_TRUE(list.problems.empty()) << list.problems.front().text;
  EXPECT_EQ(list.files.size(), 2u);

  // Wanted, the damaged ones are named (the inner one by its path in the
  // zip); the good members are still found.
  query.archiveWanted = {};
  list = FindSources(dir.path(), query);
  ASSERT_EQ(list.problems.size(), 2u);
  EXPECT_EQ(list.problems[0].archive, dir.file("FG-GML-523945-ALL-20230101.zip"));
  EXPECT_EQ(list.problems[1].archive, dir.file("PackDLMap.zip") + "/FG-GML-523945-ALL-2.zip");
  EXPECT_NE(list.problems[1].text.find(list.problems[1].archive), std::string::npos);
  EXPECT_EQ(list.files.size(), 2u);
}

// The job's listings of folders and zip members give each query what
// listing them anew gives, damaged archives included, and list each folder
// and zip once.
TEST(FindSources, ListingsKeptForTheJobGiveTheSameSources) {
  TempDir dir;
  dir.write("plain-RdEdg-1.xml", "plain\n");
  std::filesystem::create_directories(dir.file("sub"));
  dir.write("sub/deep-RdEdg-2.xml", "deep\n");
  dir.write("sub/Deep.zip", ZipBytes({{"deep-WL-9.xml", "g\n"}}));
  const std::string inner533946 = ZipBytes({{"x/FG-GML-533946-RdEdg-3.xml", "a\n"}, {"x/FG-GML-533946-WL-3.xml", "b\n"}});
  const std::string inner523945 = ZipBytes({{"FG-GML-523945-RdEdg-4.xml", "c\n"}});
  dir.write("PackDLMap.zip", ZipBytes({{"FG-GML-533946-ALL-2.zip", inner533946},
                                       {"FG-GML-523945-ALL-2.zip", inner523945},
                                       {"top-WL-5.xml", "d\n"}}));
  dir.write("Broken.zip", ZipBytes({{"ok-RdEdg-6.xml", "e\n"}, {"FG-GML-523945-ALL-3.zip", "damaged inner zip"},
                                    {"after-RdEdg-7.xml", "f\n"}}));
  auto only533946 = [](std::string_view name) {
    const std::string digits = ArchiveMeshDigits(name);
    return digits.empty() || MeshDigitsNest(digits, "533946");
  };
  ArchiveListings listings;
  for (const char* pattern : {"*RdEdg*.xml", "*WL*.xml", "*.xml"})
    for (bool tileOnly : {false, true})
      for (bool subfolders : {false, true}) {
        SourceQuery query;
        query.pattern = pattern;
        query.subfolders = subfolders;
        if (tileOnly) query.archiveWanted = only533946;
        const SourceList fresh = FindSources(dir.path(), query);
        query.listings = &listings;
        const SourceList kept = FindSources(dir.path(), query);
        EXPECT_EQ(Displays(kept), Displays(fresh)) << pattern << " " << tileOnly << " " << subfolders;
        ASSERT_EQ(kept.problems.size(), fresh.problems.size()) << pattern << " " << tileOnly;
        for (size_t i = 0; i < kept.problems.size(); ++i) EXPECT_EQ(kept.problems[i].text, fresh.problems[i].text);
      }

  // Listed once: the kept listing still answers after the zip is gone, and
  // a file that appears later is not seen.
  std::filesystem::remove(dir.file("PackDLMap.zip"));
  dir.write("PackDLMap.zip", "");
  dir.write("late-WL-8.xml", "h\n");
  SourceQuery query;
  query.pattern = "*WL*.xml";
  query.listings = &listings;
  EXPECT_EQ(Displays(FindSources(dir.path(), query)),
            (std::vector<std::string>{dir.file("PackDLMap.zip") + "/FG-GML-533946-ALL-2.zip/x/FG-GML-533946-WL-3.xml",
                                      dir.file("PackDLMap.zip") + "/top-WL-5.xml"}));
}

TEST(FindSources, RealDemZipMembersLoadAsTheExpandedFiles) {
  if (!HaveDemSamples()) GTEST_SKIP() << "no DEM samples";
  TempDir dir;
  CopyInto(dir, DemSample("FG-GML-3624-30-DEM5B.zip"));
  SourceQuery query;
  query.pattern = "*dem5*.xml";
  const SourceList list = FindSources(dir.path(), query);
  ASSERT_EQ(list.files.size(), 8u);
  SourceLoader loader;
  SourceFile file{std::string()};
  std::string error;
  ASSERT_TRUE(loader.load(list.files.back(), file, error)) << error;
  EXPECT_EQ(file.bytes(), TempDir::read(DemSample("FG-GML-3624-30-98-DEM5B-20170202.xml")));
}
