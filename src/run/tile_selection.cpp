#include "run/tile_selection.h"

#include <algorithm>
#include <charconv>
#include <memory>

#include "job/tile_grid.h"
#include "platform/text_scan.h"

namespace velkaro {
namespace {

bool IsLetter(char ch) { return ch >= 'A' && ch <= 'Z'; }
bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

// Row of a row label ("A" = 0, "AA" = 26 for grids of more than 26 rows),
// or -1. A label may carry the padding of shorter labels ("_A").
int RowOfLabel(std::string_view letters, int rows) {
  while (!letters.empty() && letters.front() == '_') letters.remove_prefix(1);
  if (letters.empty() || letters.size() > 4) return -1;
  // Labels of n letters follow all labels of fewer letters.
  long row = 0, span = 1, before = 0;
  for (size_t i = 1; i < letters.size(); ++i) {
    span *= 26;
    before += span;
  }
  for (char ch : letters) {
    if (!IsLetter(ch)) return -1;
    row = row * 26 + (ch - 'A');
  }
  row += before;
  return row < rows && rowst(static_cast<int>(row), "", rows) == letters ? static_cast<int>(row) : -1;
}

bool ParseLabel(std::string_view label, const TileGrid& grid, TilePick& pick) {
  label = Trim(label);
  size_t split = 0;
  while (split < label.size() && (IsLetter(label[split]) || label[split] == '_')) ++split;
  const std::string_view letters = label.substr(0, split), digits = label.substr(split);
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), IsDigit)) return false;
  int col = -1;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), col);
  if (ec != std::errc() || end != digits.data() + digits.size() || col < 0 || col >= grid.cols) return false;
  const int row = RowOfLabel(letters, grid.rows);
  if (row < 0) return false;
  pick = {row, col};
  return true;
}

std::string Allowed(const TileGrid& grid) {
  return "labels run from " + TileLabel(grid, 0, 0) + " to " + TileLabel(grid, grid.rows - 1, grid.cols - 1);
}

}  // namespace

std::vector<TilePick> AllTiles(const TileGrid& grid) {
  std::vector<TilePick> tiles;
  tiles.reserve(static_cast<size_t>(std::max(grid.count(), 0)));
  for (int r = 0; r < grid.rows; ++r)
    for (int c = 0; c < grid.cols; ++c) tiles.push_back({r, c});
  return tiles;
}

std::string TileLabel(const TileGrid& grid, int row, int col) {
  return rowst(row, "", grid.rows) + colst(col, grid.cols);
}

bool ParseTileList(std::string_view list, const TileGrid& grid, std::vector<TilePick>& tiles,
                   std::string& problem) {
  std::vector<char> chosen(static_cast<size_t>(std::max(grid.count(), 0)), 0);
  if (Trim(list).empty()) return problem = "no tiles named", false;
  while (!list.empty()) {
    const size_t comma = list.find(',');
    const std::string_view item = Trim(list.substr(0, comma));
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    const size_t dash = item.find('-');
    TilePick a, b;
    const bool ok = dash == std::string_view::npos
                        ? ParseLabel(item, grid, a) && ParseLabel(item, grid, b)
                        : ParseLabel(item.substr(0, dash), grid, a) && ParseLabel(item.substr(dash + 1), grid, b);
    if (!ok) return problem = "tile \"" + std::string(item) + "\" is not in the job (" + Allowed(grid) + ")", false;
    for (int r = std::min(a.row, b.row); r <= std::max(a.row, b.row); ++r)
      for (int c = std::min(a.col, b.col); c <= std::max(a.col, b.col); ++c)
        chosen[static_cast<size_t>(r) * grid.cols + c] = 1;
  }
  tiles.clear();
  for (const TilePick& t : AllTiles(grid))
    if (chosen[static_cast<size_t>(t.row) * grid.cols + t.col]) tiles.push_back(t);
  return true;
}

bool TileShare(const TileGrid& grid, int index, int count, std::vector<TilePick>& tiles,
               std::string& problem) {
  if (count < 1) return problem = "--tile-count must be 1 or more", false;
  if (index < 0 || index >= count)
    return problem = "--tile-index must be 0 … " + std::to_string(count - 1), false;
  const std::vector<TilePick> all = AllTiles(grid);
  const size_t n = all.size();
  const size_t first = n * static_cast<size_t>(index) / count, last = n * (static_cast<size_t>(index) + 1) / count;
  tiles.assign(all.begin() + static_cast<long>(first), all.begin() + static_cast<long>(last));
  return true;
}

NextTile TilesFromList(const std::vector<TilePick>& tiles) {
  auto at = std::make_shared<size_t>(0);
  return [&tiles, at](TilePick& pick) {
    if (*at >= tiles.size()) return false;
    pick = tiles[(*at)++];
    return true;
  };
}

}  // namespace velkaro
