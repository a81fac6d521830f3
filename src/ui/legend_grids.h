#pragma once
// The two per-tile legend grids of the main window, "標高凡例間隔" (interval)
// and "標高凡例最下面" (bottom): one text cell per tile behind a header row
// of column numbers and a header column of row labels. The cells are a view
// of the JobSettings' legend grids: typing writes the setting at once.

#include <QObject>
#include <QTableWidget>

#include "job/job_settings.h"

namespace velkaro {

// One of the two grids: cells editable in place, Ctrl+C / Ctrl+V of a block
// of cells as TAB / CR LF text.
class LegendTable : public QTableWidget {
  Q_OBJECT
 public:
  explicit LegendTable(QWidget* parent = nullptr);

  // The text of the selected block as it goes to the clipboard.
  std::string selectionText() const;
  // Writes clipboard text at the current cell (never a header cell).
  void pasteText(const std::string& text);

 signals:
  // The in-place editor was opened on a cell.
  void editorOpened();

 protected:
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

class LegendGrids : public QObject {
  Q_OBJECT
 public:
  // The two tables are created as children of pageParent; the caller puts
  // them into the pages "標高凡例間隔" and "標高凡例最下面".
  LegendGrids(JobSettings& settings, QWidget* pageParent);

  LegendTable* intervalTable() const { return interval_; }
  LegendTable* bottomTable() const { return bottom_; }

  // Lays both grids out for the tile grid of the division fields
  // (`area/tatediv` rows, `area/yokodiv` columns, empty counting as 1) and
  // writes the headers. Returns false, keeping the previous layout, when a
  // field is not a whole number of 1 … 18277 rows and 1 … 256 columns.
  bool RebuildLegendGrids();
  // Shows the settings' cells again (after settings were read or a job wrote
  // its legends), without changing the layout of the settings' grids.
  void ShowSettingsCells();

 signals:
  // Opening a cell editor switched automatic mode (`alti/jido`) off.
  void automaticModeSwitchedOff();

 private:
  void connectTable(LegendTable* table, LegendGrid& grid);
  void layOut(LegendTable* table, const LegendGrid& grid, const QString& corner, bool aquaHeaders);

  JobSettings& settings_;
  LegendTable* interval_;
  LegendTable* bottom_;
  bool filling_ = false;
};

}  // namespace velkaro
