#pragma once
// Copy and paste of a block of legend grid cells as text: fields separated by
// TAB, lines ended by CR LF, as spreadsheets exchange them.

#include <functional>
#include <string>
#include <string_view>

namespace velkaro {

// Inclusive cell indices of a selected block (column, row of the grid, the
// header column and row included).
struct CellBlock {
  int left = 0, top = 0, right = -1, bottom = -1;
};

using CellText = std::function<std::string(int col, int row)>;
using WriteCell = std::function<void(int col, int row, const std::string& text)>;

// The text of a block of a cols x rows grid: per row the cells left … right
// separated by TAB, every row (the last one too) ended by CR LF. An impossible
// block (reversed, entirely before the grid or starting after it) gives empty
// text; a block that reaches outside the grid is cut to it.
std::string CopyBlockText(const CellBlock& block, int cols, int rows, const CellText& cell);

// Writes the fields of clipboard text into a cols x rows grid starting at
// cell (col0, row0) (negative indices count as 0). TAB moves to the next
// column; a line end (CR LF, CR alone or LF alone) to the next row and back to
// col0. Fields falling outside the grid are dropped. A last field that no
// line end closes is written too, unless it is empty.
void PasteBlockText(std::string_view text, int col0, int row0, int cols, int rows,
                    const WriteCell& write);

}  // namespace velkaro
