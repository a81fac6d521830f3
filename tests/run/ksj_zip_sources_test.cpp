// Whole jobs over a zipped KSJ folder: the tile drawn from the downloads as
// they come (zips, and zips bundled in a zip) equals, byte for byte, the
// tile drawn from the expanded folder; a zip named after a theme that is
// switched off is never opened; a damaged zip that may hold a theme's files
// is named while the rest is drawn; a Shift_JIS member reads like its UTF-8
// twin.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../archive/zip_builder.h"
#include "platform/text_encoding.h"
#include "zip_job_support.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;

std::string KsjSample(const std::string& name) { return std::string(VELKARO_SAMPLES_DIR) + "/ksj/" + name; }

bool HaveKsjSamples() { return std::filesystem::exists(KsjSample("P13-11_19.xml")); }

// Around Kofu: parks of the real P13 file and gust tracks of the real A30b file.
const Area kKsjArea{35.40, 138.40, 35.75, 139.00};

// The job with the park names and the gust tracks switched on, reading `folder`.
JobSettings KsjSettings(const std::string& folder, const std::string& out, const std::string& empty) {
  JobSettings s = TileSettings(kKsjArea, out, empty);
  for (KsjTheme& theme : s.layers.ksj) theme.on = theme.code == "P13-" || theme.code == "A30b";
  s.syoufolder = folder;
  return s;
}

// The expanded download: the real files as plain files of the folder.
void WriteExpanded(const TempDir& dir) {
  for (const char* name : {"P13-11_19.xml", "KS-META-P13-11_19.xml", "A30b-11.xml"})
    CopyInto(dir, KsjSample(name));
}

std::string ParkZip(const std::string& parks) {
  return ZipBytes({{"P13-11_19.xml", parks}, {"KS-META-P13-11_19.xml", TempDir::read(KsjSample("KS-META-P13-11_19.xml"))}});
}

std::string GustZip() { return ZipBytes({{"A30b-11.xml", TempDir::read(KsjSample("A30b-11.xml"))}}); }

// The tile drawn from the expanded folder.
std::string ExpandedTile() {
  TempDir expanded, empty, out;
  WriteExpanded(expanded);
  const JobRun run = RunTileJob(KsjSettings(expanded.path(), out.path(), empty.path()));
  EXPECT_EQ(run.result.outcome, StartOutcome::Finished) << run.result.text;
  return run.bmp;
}

TEST(KsjZipSources, TileFromTheZipsEqualsTheExpandedFolder) {
  if (!HaveKsjSamples()) GTEST_SKIP() << "no KSJ samples";
  TempDir zipped, empty, out, outEmpty;
  // The parks bundled in a download zip, the gusts as a zip of their own,
  // and a damaged zip of a theme that is switched off: left closed.
  zipped.write("KSJ_download.zip", ZipBytes({{"P13-11_19_GML.zip", ParkZip(TempDir::read(KsjSample("P13-11_19.xml")))}}));
  zipped.write("A30b-11_GML.zip", GustZip());
  zipped.write("A31-12_19_GML.zip", "not a zip");

  const JobRun fromZips = RunTileJob(KsjSettings(zipped.path(), out.path(), empty.path()));
  EXPECT_EQ(fromZips.result.outcome, StartOutcome::Finished) << fromZips.result.text;
  const std::string fromFiles = ExpandedTile();
  ASSERT_FALSE(fromFiles.empty());
  EXPECT_TRUE(fromZips.bmp == fromFiles) << "the tiles differ";

  // The tile is not blank: parks and tracks were drawn.
  EXPECT_FALSE(RunTileJob(KsjSettings(empty.path(), outEmpty.path(), empty.path())).bmp == fromFiles);
}

TEST(KsjZipSources, DamagedZipIsNamedAndTheRestIsDrawn) {
  if (!HaveKsjSamples()) GTEST_SKIP() << "no KSJ samples";
  const std::string fromFiles = ExpandedTile();
  ASSERT_FALSE(fromFiles.empty());
  struct Case {
    const char* what;
    std::string zipName;
    std::string bytes;
    std::string named;  // the archive the message names, below the folder
  };
  const std::vector<Case> cases = {
      {"no theme code in the name", "download.zip", "PK\x03\x04 cut short", "download.zip"},
      {"a theme that is read", "P13-11_13_GML.zip", "not a zip", "P13-11_13_GML.zip"},
      {"inside a bundle", "bundle.zip", ZipBytes({{"A30b-12_GML.zip", "not a zip"}}),
       "bundle.zip/A30b-12_GML.zip"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir zipped, empty, out;
    zipped.write("P13-11_19_GML.zip", ParkZip(TempDir::read(KsjSample("P13-11_19.xml"))));
    zipped.write("A30b-11_GML.zip", GustZip());
    zipped.write(c.zipName, c.bytes);
    const JobRun run = RunTileJob(KsjSettings(zipped.path(), out.path(), empty.path()));
    EXPECT_EQ(run.result.outcome, StartOutcome::Failed);
    EXPECT_EQ(run.result.text, "書庫(" + zipped.path() + "/" + c.named + ")で異常\r\n");
    EXPECT_TRUE(run.bmp == fromFiles) << "the good zips were not drawn as their files";
  }
}

TEST(KsjZipSources, ShiftJisMemberReadsLikeItsUtf8Twin) {
  if (!HaveKsjSamples()) GTEST_SKIP() << "no KSJ samples";
  std::string text = TempDir::read(KsjSample("P13-11_19.xml"));
  text = std::string(StripUtf8Bom(text));  // a Shift_JIS file has no byte order mark
  const std::string decl = "encoding=\"UTF-8\"";
  ASSERT_NE(text.find(decl), std::string::npos);
  text.replace(text.find(decl), decl.size(), "encoding=\"Shift_JIS\"");
  TempDir zipped, empty, out;
  zipped.write("P13-11_19_GML.zip", ParkZip(Utf8ToCp932(text)));
  zipped.write("A30b-11_GML.zip", GustZip());
  const JobRun fromZips = RunTileJob(KsjSettings(zipped.path(), out.path(), empty.path()));
  EXPECT_EQ(fromZips.result.outcome, StartOutcome::Finished) << fromZips.result.text;
  EXPECT_TRUE(fromZips.bmp == ExpandedTile()) << "the Shift_JIS parks differ from the UTF-8 ones";
}

}  // namespace
}  // namespace velkaro
