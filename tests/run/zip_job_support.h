#pragma once
// Helpers of the whole-job tests over zipped source folders: a one-tile job
// with every layer off, running it to its tile's bytes, and expanding a zip
// the way a user's unpacking tool would.

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <string>
#include <string_view>

#include "../archive/archive_test_support.h"
#include "archive/zip_members.h"
#include "catalogue/catalogue_loader.h"
#include "job/cell_buffer.h"
#include "job/job_host.h"
#include "run/start_action.h"

namespace velkaro::testing {

inline void EnsureGuiApplication() {
  if (QGuiApplication::instance()) return;
  static int argc = 1;
  static char name[] = "test_run";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
}

struct Area {
  double latS, lonW, latN, lonE;
};

// A one-tile job in latitude and longitude over `area`, every layer off.
inline JobSettings TileSettings(const Area& area, const std::string& out, const std::string& empty) {
  JobSettings s;
  EXPECT_TRUE(LoadLayerCatalogue(s.layers, VELKARO_BIN_DIR "/").clean());
  for (LayerTree* tree : {&s.layers.fgd, &s.layers.kkj})
    for (LayerGroup& g : tree->groups)
      for (LayerNode& child : g.children) child.on = false;
  for (KsjTheme& theme : s.layers.ksj) theme.on = false;
  s.readfolder = s.meshfolder = s.syoufolder = s.kkjfolder = empty;
  s.writefolder = out;
  s.namae = "z";
  s.size = 0;
  s.zahyokei = 56;
  s.kita = std::to_string(area.latN), s.minami = std::to_string(area.latS);
  s.nisi = std::to_string(area.lonW), s.higasi = std::to_string(area.lonE);
  return s;
}

struct JobRun {
  StartResult result;
  std::string bmp;  // the tile's bytes; empty when none was written
};

inline JobRun RunTileJob(JobSettings settings) {
  EnsureGuiApplication();
  SilentHost host;
  CellBuffer cells;
  JobContext job(settings, host, cells);
  JobRun run;
  run.result = StartJob(job, DefaultDriverCalls(), "");
  run.bmp = TempDir::read(settings.writefolder + "/z.bmp");
  return run;
}

// Writes every member of the zip (and of zips inside it) where expanding
// it next to itself would.
inline void ExpandInto(const TempDir& dir, const std::string& zip) {
  ZipMemberFilter all;
  all.member = [](std::string_view) { return true; };
  std::string error;
  ASSERT_TRUE(ForEachZipMember(zip, all,
                               [&](const ZipMemberRef& ref, std::string_view bytes) {
                                 dir.write(ref.member, std::string(bytes));
                                 return true;
                               },
                               error))
      << error;
}

}  // namespace velkaro::testing
