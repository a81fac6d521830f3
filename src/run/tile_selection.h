#pragma once
// Choosing the tiles a run draws: all of them, the ones named by their
// labels ("A0,B3", rectangles "A0-C5"), or the I-th of N equal shares as an
// array job scheduler hands them out. Tiles are independent of each other, so
// any choice draws the same files the whole run would.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "job/job_context.h"

namespace velkaro {

struct TilePick {
  int row = 0;  // from the north
  int col = 0;  // from the west
  bool operator==(const TilePick&) const = default;
};

// Hands out the tiles of a run one at a time; false when none is left.
using NextTile = std::function<bool(TilePick&)>;

// Every tile of the grid from the north-west, row after row.
std::vector<TilePick> AllTiles(const TileGrid& grid);

// The tile's label in its file name: row letters and column digits ("B3").
std::string TileLabel(const TileGrid& grid, int row, int col);

// Parses a comma-separated list of labels and rectangles ("A0,B3,C0-D5"; a
// rectangle spans the rows and columns between its corners). Tiles come back
// in reading order, each once. False with a message for a label outside the
// grid or a malformed item.
bool ParseTileList(std::string_view list, const TileGrid& grid, std::vector<TilePick>& tiles,
                   std::string& problem);

// Share `index` (0 … count-1) of `count` near-equal consecutive shares of the
// tiles in reading order; false with a message for an index out of range.
bool TileShare(const TileGrid& grid, int index, int count, std::vector<TilePick>& tiles,
               std::string& problem);

// A NextTile walking through a fixed list (the list must outlive it).
NextTile TilesFromList(const std::vector<TilePick>& tiles);

}  // namespace velkaro
