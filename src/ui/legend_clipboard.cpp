#include "ui/legend_clipboard.h"

#include <algorithm>

namespace velkaro {

std::string CopyBlockText(const CellBlock& block, int cols, int rows, const CellText& cell) {
  CellBlock b = block;
  if (b.right < b.left || b.bottom < b.top || b.right < 0 || b.bottom < 0 || b.left >= cols ||
      b.top >= rows)
    return {};
  b.left = std::max(b.left, 0);
  b.top = std::max(b.top, 0);
  b.right = std::min(b.right, cols - 1);
  b.bottom = std::min(b.bottom, rows - 1);
  std::string text;
  for (int r = b.top; r <= b.bottom; ++r) {
    for (int c = b.left; c < b.right; ++c) {
      text += cell(c, r);
      text += '\t';
    }
    text += cell(b.right, r);
    text += "\r\n";
  }
  return text;
}

void PasteBlockText(std::string_view text, int col0, int row0, int cols, int rows,
                    const WriteCell& write) {
  col0 = std::max(col0, 0);
  row0 = std::max(row0, 0);
  std::string field;
  int k = 0, j = 0;
  const auto put = [&] {
    if (col0 + k < cols && row0 + j < rows) write(col0 + k, row0 + j, field);
    field.clear();
  };
  // Spreadsheets on Windows end lines with CR LF, on Linux with LF alone; a
  // LF that follows a CR belongs to that line end.
  bool afterCr = false;
  for (const char ch : text) {
    if (ch == '\t') {
      put();
      ++k;
    } else if (ch == '\r' || (ch == '\n' && !afterCr)) {
      put();
      ++j;
      k = 0;
    } else if (ch != '\n') {
      field += ch;
    }
    afterCr = ch == '\r';
  }
  if (!field.empty()) put();
}

}  // namespace velkaro
