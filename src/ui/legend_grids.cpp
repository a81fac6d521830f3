#include "ui/legend_grids.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>

#include "job/tile_grid.h"
#include "ui/dialog_messages.h"
#include "ui/legend_clipboard.h"

namespace velkaro {
namespace {

constexpr int kMaxRows = 18277;
constexpr int kMaxColumns = 256;

const char* UnitText(int tanni) {
  switch (tanni) {
    case 0: return "mm";
    case 1: return "cm";
    case 2: return "m";
    default: return "";
  }
}

QTableWidgetItem* HeaderItem(const QString& text, const QBrush& background) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  item->setBackground(background);
  return item;
}

std::string CellString(const QTableWidget* table, int col, int row) {
  const QTableWidgetItem* item = table->item(row, col);
  return item ? item->text().toStdString() : std::string();
}

}  // namespace

// ---- LegendTable ------------------------------------------------------------

LegendTable::LegendTable(QWidget* parent) : QTableWidget(parent) {
  horizontalHeader()->hide();
  verticalHeader()->hide();
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed);
  horizontalHeader()->setDefaultSectionSize(64);
  verticalHeader()->setDefaultSectionSize(22);
}

std::string LegendTable::selectionText() const {
  const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
  CellBlock block;
  if (!ranges.isEmpty()) {
    const QTableWidgetSelectionRange& r = ranges.front();
    block = {r.leftColumn(), r.topRow(), r.rightColumn(), r.bottomRow()};
  } else if (currentIndex().isValid()) {
    block = {currentColumn(), currentRow(), currentColumn(), currentRow()};
  }
  return CopyBlockText(block, columnCount(), rowCount(),
                       [this](int c, int r) { return CellString(this, c, r); });
}

void LegendTable::pasteText(const std::string& text) {
  // The header row and column are never the target of a paste.
  const int col0 = std::max(currentColumn(), 1);
  const int row0 = std::max(currentRow(), 1);
  PasteBlockText(text, col0, row0, columnCount(), rowCount(),
                 [this](int c, int r, const std::string& field) {
                   QTableWidgetItem* cell = item(r, c);
                   if (!cell) {
                     cell = new QTableWidgetItem;
                     setItem(r, c, cell);
                   }
                   cell->setText(QString::fromStdString(field));
                 });
}

bool LegendTable::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  const bool opened = QTableWidget::edit(index, trigger, event);
  if (opened) emit editorOpened();
  return opened;
}

void LegendTable::keyPressEvent(QKeyEvent* event) {
  // Only Ctrl may be held: Ctrl+Shift+C, Ctrl+Alt+V and the like do nothing.
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if (mods == Qt::ControlModifier && event->key() == Qt::Key_C) {
    QApplication::clipboard()->setText(QString::fromStdString(selectionText()));
    return;
  }
  if (mods == Qt::ControlModifier && event->key() == Qt::Key_V) {
    pasteText(QApplication::clipboard()->text().toStdString());
    return;
  }
  if ((mods & Qt::ControlModifier) && (event->key() == Qt::Key_C || event->key() == Qt::Key_V)) return;
  QTableWidget::keyPressEvent(event);
}

// ---- LegendGrids ------------------------------------------------------------

LegendGrids::LegendGrids(JobSettings& settings, QWidget* pageParent)
    : QObject(pageParent),
      settings_(settings),
      interval_(new LegendTable(pageParent)),
      bottom_(new LegendTable(pageParent)) {
  interval_->setObjectName("legendIntervalGrid");
  bottom_->setObjectName("legendBottomGrid");
  // Before the first rebuild the grids show the settings' layout and the
  // short corner texts.
  layOut(interval_, settings_.legendInterval, dialog_msg::kIntervalCornerFirst, false);
  layOut(bottom_, settings_.legendBottom, dialog_msg::kBottomCornerFirst, true);
  connectTable(interval_, settings_.legendInterval);
  connectTable(bottom_, settings_.legendBottom);
}

void LegendGrids::connectTable(LegendTable* table, LegendGrid& grid) {
  connect(table, &QTableWidget::itemChanged, this, [this, &grid](QTableWidgetItem* item) {
    if (filling_) return;
    const int r = item->row() - 1, c = item->column() - 1;
    if (r < 0 || c < 0 || r >= grid.rows || c >= grid.cols) return;
    grid.cell(r, c) = item->text().toStdString();
  });
  connect(table, &LegendTable::editorOpened, this, [this] {
    if (!settings_.jido) return;
    settings_.jido = false;
    emit automaticModeSwitchedOff();
  });
}

void LegendGrids::layOut(LegendTable* table, const LegendGrid& grid, const QString& corner,
                         bool aquaHeaders) {
  filling_ = true;
  const QBrush headerBrush = aquaHeaders ? QBrush(QColor(0, 255, 255)) : table->palette().button();
  table->setColumnCount(grid.cols + 1);
  table->setRowCount(grid.rows + 1);
  table->setItem(0, 0, HeaderItem(corner, headerBrush));
  for (int r = 0; r < grid.rows; ++r)
    table->setItem(r + 1, 0, HeaderItem(QString::fromStdString(rowst(r, "", grid.rows)), headerBrush));
  for (int c = 0; c < grid.cols; ++c)
    table->setItem(0, c + 1, HeaderItem(QString::number(c), headerBrush));
  for (int r = 0; r < grid.rows; ++r)
    for (int c = 0; c < grid.cols; ++c) {
      const QString text = QString::fromStdString(grid.cell(r, c));
      QTableWidgetItem* item = table->item(r + 1, c + 1);
      if (!item)
        table->setItem(r + 1, c + 1, new QTableWidgetItem(text));
      else if (item->text() != text)
        item->setText(text);
    }
  filling_ = false;
}

bool LegendGrids::RebuildLegendGrids() {
  int rows = 1, cols = 1;
  if (!ParseCount(settings_.tatediv, rows) || !ParseCount(settings_.yokodiv, cols)) return false;
  if (rows < 1 || rows > kMaxRows || cols < 1 || cols > kMaxColumns) return false;
  settings_.legendInterval.resize(rows, cols);
  settings_.legendBottom.resize(rows, cols);
  const QString unit = UnitText(settings_.tanni);
  layOut(interval_, settings_.legendInterval, dialog_msg::kIntervalCorner + unit + ")", false);
  layOut(bottom_, settings_.legendBottom, dialog_msg::kBottomCorner + unit + ")", true);
  return true;
}

void LegendGrids::ShowSettingsCells() {
  layOut(interval_, settings_.legendInterval, interval_->item(0, 0)->text(), false);
  layOut(bottom_, settings_.legendBottom, bottom_->item(0, 0)->text(), true);
}

}  // namespace velkaro
