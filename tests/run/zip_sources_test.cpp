// Whole jobs over zipped source folders: the tile drawn from the downloads
// as they come equals, byte for byte, the tile drawn from the expanded
// folder; zips whose name shows a mesh away from the tile are never opened;
// a damaged zip that matters is named in the job's error text while the
// rest is drawn.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../archive/zip_builder.h"
#include "elevation/dem_sources.h"
#include "zip_job_support.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;

// Inside the 5 m meshes 3624-30-76 … 98 of the real download.
const Area kDemArea{24.312, 124.078, 24.330, 124.108};

TEST(ZipSources, DemTileFromTheDownloadedZipsEqualsTheExpandedFolder) {
  if (!HaveDemSamples()) GTEST_SKIP() << "no DEM samples";
  TempDir zipped, expanded, empty, outZipped, outExpanded;
  for (const char* zip : {"FG-GML-3624-30-DEM5B.zip", "FG-GML-3926-76-DEM10B.zip"}) {
    CopyInto(zipped, DemSample(zip));
    ExpandInto(expanded, DemSample(zip));
  }
  // A damaged download of a far-away mesh is left closed: no error.
  zipped.write("FG-GML-5339-45-DEM5A.zip", "not a zip");

  JobSettings s = TileSettings(kDemArea, outZipped.path(), empty.path());
  s.alti[0] = true;
  s.meshfolder = zipped.path();
  const JobRun fromZips = RunTileJob(s);
  EXPECT_EQ(fromZips.result.outcome, StartOutcome::Finished) << fromZips.result.text;
  s.meshfolder = expanded.path();
  s.writefolder = outExpanded.path();
  const JobRun fromFiles = RunTileJob(s);
  EXPECT_EQ(fromFiles.result.outcome, StartOutcome::Finished) << fromFiles.result.text;
  ASSERT_FALSE(fromFiles.bmp.empty());
  EXPECT_TRUE(fromZips.bmp == fromFiles.bmp) << "the tiles differ";

  // Progress counts the zipped files of the kind: the eight 5 m members;
  // counting names no damaged zip.
  {
    s.meshfolder = zipped.path();
    SilentHost host;
    CellBuffer cells;
    JobContext job(s, host, cells);
    ScanDemSources(job, DemScanMode::Count, GeoBox{});
    EXPECT_EQ(job.fileCount, 8);
    EXPECT_EQ(job.errorText, "");
  }

  // The tile is not blank: the DEM was drawn.
  s.meshfolder = empty.path();
  s.alti[0] = false;
  EXPECT_FALSE(RunTileJob(s).bmp == fromFiles.bmp);
}

TEST(ZipSources, DamagedZipOfTheTileIsNamedAndTheRestIsDrawn) {
  if (!HaveDemSamples()) GTEST_SKIP() << "no DEM samples";
  TempDir zipped, expanded, empty, outZipped, outExpanded;
  CopyInto(zipped, DemSample("FG-GML-3624-30-DEM5B.zip"));
  ExpandInto(expanded, DemSample("FG-GML-3624-30-DEM5B.zip"));
  // Same mesh, another product: its name says it may hold the tile.
  const std::string broken = zipped.write("FG-GML-3624-30-DEM5A.zip", "PK\x03\x04 cut short");

  JobSettings s = TileSettings(kDemArea, outZipped.path(), empty.path());
  s.alti[0] = true;
  s.meshfolder = zipped.path();
  const JobRun fromZips = RunTileJob(s);
  EXPECT_EQ(fromZips.result.outcome, StartOutcome::Failed);
  EXPECT_EQ(fromZips.result.text, "書庫(" + broken + ")で異常\r\n");
  s.meshfolder = expanded.path();
  s.writefolder = outExpanded.path();
  const JobRun fromFiles = RunTileJob(s);
  ASSERT_FALSE(fromFiles.bmp.empty());
  EXPECT_TRUE(fromZips.bmp == fromFiles.bmp) << "the good zip was not drawn as its files";
}

std::string FgdSample() { return std::string(VELKARO_SAMPLES_DIR) + "/fgd/knt5-jpgis-convert/input.xml"; }

TEST(ZipSources, FgdTileFromABundleOfZipsEqualsTheExpandedFolder) {
  if (!std::filesystem::exists(FgdSample())) GTEST_SKIP() << "no FGD sample";
  const std::string xmlName = "FG-GML-533946-BldA-20151001-0001.xml";
  const std::string xml = TempDir::read(FgdSample());
  TempDir zipped, expanded, empty, outZipped, outExpanded;
  // The download bundle: zips per mesh inside one zip, one of them damaged
  // but of a mesh away from the tile.
  zipped.write("PackDLMap.zip",
               ZipBytes({{"FG-GML-533946-ALL-20151001.zip", ZipBytes({{xmlName, xml}})},
                         {"FG-GML-523945-ALL-20151001.zip", "not a zip"}}));
  expanded.write(xmlName, xml);

  // The block with ten courtyards.
  JobSettings s = TileSettings({35.7100, 139.7633, 35.7138, 139.7670}, outZipped.path(), empty.path());
  for (LayerGroup& g : s.layers.fgd.groups)
    for (LayerNode& child : g.children) child.on = g.node.entry.name == "BldA-1";
  s.layers.fgd.refreshGroups();
  s.readfolder = zipped.path();
  const JobRun fromZips = RunTileJob(s);
  EXPECT_EQ(fromZips.result.outcome, StartOutcome::Finished) << fromZips.result.text;
  s.readfolder = expanded.path();
  s.writefolder = outExpanded.path();
  const JobRun fromFiles = RunTileJob(s);
  EXPECT_EQ(fromFiles.result.outcome, StartOutcome::Finished) << fromFiles.result.text;
  ASSERT_FALSE(fromFiles.bmp.empty());
  EXPECT_TRUE(fromZips.bmp == fromFiles.bmp) << "the tiles differ";
  s.readfolder = empty.path();
  EXPECT_FALSE(RunTileJob(s).bmp == fromFiles.bmp) << "no building was drawn";
}

}  // namespace
}  // namespace velkaro
