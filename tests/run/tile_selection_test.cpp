#include "run/tile_selection.h"

#include <gtest/gtest.h>

namespace velkaro {
namespace {

TileGrid Grid(int rows, int cols) {
  TileGrid g;
  g.rows = rows;
  g.cols = cols;
  return g;
}

std::string Labels(const TileGrid& g, const std::vector<TilePick>& tiles) {
  std::string out;
  for (const TilePick& t : tiles) out += (out.empty() ? "" : " ") + TileLabel(g, t.row, t.col);
  return out;
}

TEST(TileSelection, SpecsNameTilesInReadingOrderOnce) {
  struct Case {
    int rows, cols;
    const char* list;
    const char* labels;
  } cases[] = {
      {3, 4, "A0", "A0"},
      {3, 4, "B3,A0", "A0 B3"},
      {3, 4, " A1 , A1,A1-A1 ", "A1"},
      {3, 4, "A0-B1", "A0 A1 B0 B1"},
      {3, 4, "C3-B2", "B2 B3 C2 C3"},
      {3, 12, "A00,B11", "A00 B11"},        // two-digit columns
      {3, 12, "A0,B7", "A00 B07"},          // unpadded column numbers too
      {30, 2, "_A0,AD1", "A0 AD1"},         // padded row labels as in file names
      {30, 2, "Z1-AA0", "Z0 Z1 AA0 AA1"},   // across the one-to-two letter step
  };
  for (const Case& c : cases) {
    const TileGrid g = Grid(c.rows, c.cols);
    std::vector<TilePick> tiles;
    std::string problem;
    ASSERT_TRUE(ParseTileList(c.list, g, tiles, problem)) << c.list << ": " << problem;
    EXPECT_EQ(Labels(g, tiles), c.labels) << c.list;
  }
}

TEST(TileSelection, SpecsOutsideTheGridAreRefusedWithTheRange) {
  const TileGrid g = Grid(3, 4);
  for (const char* list : {"", ",", "D0", "A4", "a0", "A", "0", "A0-", "A0-D9", "A-1", "AA0", "A0x", "A99999999999"}) {
    std::vector<TilePick> tiles;
    std::string problem;
    EXPECT_FALSE(ParseTileList(list, g, tiles, problem)) << list;
    EXPECT_FALSE(problem.empty()) << list;
  }
  std::vector<TilePick> tiles;
  std::string problem;
  ParseTileList("D0", g, tiles, problem);
  EXPECT_NE(problem.find("A0 to C3"), std::string::npos) << problem;
}

TEST(TileSelection, SharesCoverEveryTileOnceInNearEqualParts) {
  for (int count : {1, 2, 3, 4, 7, 13, 20}) {
    const TileGrid g = Grid(3, 4);
    std::vector<TilePick> all;
    size_t smallest = 99, largest = 0;
    for (int i = 0; i < count; ++i) {
      std::vector<TilePick> share;
      std::string problem;
      ASSERT_TRUE(TileShare(g, i, count, share, problem)) << problem;
      smallest = std::min(smallest, share.size());
      largest = std::max(largest, share.size());
      all.insert(all.end(), share.begin(), share.end());
    }
    EXPECT_EQ(all, AllTiles(g)) << count << " shares";
    EXPECT_LE(largest - smallest, 1u) << count << " shares";
  }
  std::vector<TilePick> share;
  std::string problem;
  EXPECT_FALSE(TileShare(Grid(2, 2), 4, 4, share, problem));
  EXPECT_FALSE(TileShare(Grid(2, 2), -1, 4, share, problem));
  EXPECT_FALSE(TileShare(Grid(2, 2), 0, 0, share, problem));
}

}  // namespace
}  // namespace velkaro
