#include "job/job_settings.h"

#include <algorithm>

namespace velkaro {

void LegendGrid::resize(int newRows, int newCols) {
  newRows = std::max(newRows, 1);
  newCols = std::max(newCols, 1);
  if (newRows == rows && newCols == cols) return;
  std::vector<std::string> grown(static_cast<size_t>(newRows) * newCols);
  for (int r = 0; r < std::min(rows, newRows); ++r)
    for (int c = 0; c < std::min(cols, newCols); ++c)
      grown[static_cast<size_t>(r) * newCols + c] = std::move(cell(r, c));
  cells = std::move(grown);
  rows = newRows;
  cols = newCols;
}

bool JobSettings::anyMeshClass() const {
  return std::find(alti.begin(), alti.end(), true) != alti.end();
}

bool JobSettings::anyContourClass() const {
  return std::find(cont.begin(), cont.end(), true) != cont.end();
}

void SetDefaultFolders(JobSettings& s, const std::string& programFolder) {
  s.readfolder = programFolder + "基盤地図情報";
  s.meshfolder = programFolder + "標高データ";
  s.kkjfolder = programFolder + "国土基本情報";
  s.syoufolder = programFolder + "国土数値情報";
  s.writefolder = programFolder + "地図";
}

}  // namespace velkaro
