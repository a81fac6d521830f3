// Tiles put in place on a thread of their own: every file handed over ends
// up under its final name with its bytes, a failure among them is kept for
// the job (the others still go in place, no temporary is left), and files
// still waiting when the commits end are put in place then.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "../platform/temp_dir.h"
#include "output/tile_commits.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::unique_ptr<PendingFile> Written(const std::string& path, const std::string& bytes) {
  auto file = std::make_unique<PendingFile>(path);
  std::string error;
  EXPECT_TRUE(file->write(bytes, &error)) << error;
  return file;
}

TEST(TileCommits, FilesGoInPlaceAndTheFirstFailureIsKept) {
  TempDir dir;
  fs::create_directories(dir.file("b.bmp/keep"));   // a folder under one tile's name
  TileCommits commits;
  EXPECT_EQ(commits.finish(), "") << "nothing handed over, nothing to wait for";
  commits.add(Written(dir.file("a.bmp"), "tile a"));
  commits.add(Written(dir.file("b.bmp"), "tile b"));
  commits.add(Written(dir.file("c.bmp"), "tile c"));
  const std::string failure = commits.finish();
  EXPECT_EQ(failure, dir.file("b.bmp") + ": " + std::strerror(EISDIR));
  EXPECT_EQ(commits.failure(), failure);
  EXPECT_EQ(TempDir::read(dir.file("a.bmp")), "tile a");
  EXPECT_EQ(TempDir::read(dir.file("c.bmp")), "tile c");
  EXPECT_TRUE(fs::is_directory(dir.file("b.bmp/keep")));
  size_t entries = 0;
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    EXPECT_FALSE(IsTemporaryName(entry.path().filename().string())) << entry.path();
    ++entries;
  }
  EXPECT_EQ(entries, 3u);
}

TEST(TileCommits, FilesStillWaitingAtTheEndArePutInPlace) {
  TempDir dir;
  {
    TileCommits commits;
    for (int i = 0; i < 20; ++i) commits.add(Written(dir.file("t" + std::to_string(i) + ".bmp"), std::to_string(i)));
  }
  for (int i = 0; i < 20; ++i) EXPECT_EQ(TempDir::read(dir.file("t" + std::to_string(i) + ".bmp")), std::to_string(i));
}

}  // namespace
}  // namespace velkaro
