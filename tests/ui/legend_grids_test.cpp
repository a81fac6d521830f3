#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <map>

#include "render/colours.h"
#include "ui/legend_clipboard.h"
#include "ui/legend_controls.h"
#include "ui/legend_grids.h"
#include "ui/legend_preview.h"
#include "ui_test_support.h"

namespace velkaro {
namespace {

using Cells = std::map<std::pair<int, int>, std::string>;

Cells Paste(std::string_view text, int col0, int row0, int cols, int rows) {
  Cells written;
  PasteBlockText(text, col0, row0, cols, rows,
                 [&](int c, int r, const std::string& f) { written[{c, r}] = f; });
  return written;
}

// ---- copy and paste texts --------------------------------------------------

TEST(LegendClipboard, CopiesABlockWithTabsAndCrLfAfterEveryRow) {
  const Cells grid = {{{1, 1}, "a"}, {{2, 1}, "b"}, {{1, 2}, "c"}, {{2, 2}, "d"}};
  const auto cell = [&](int c, int r) {
    const auto it = grid.find({c, r});
    return it == grid.end() ? std::string() : it->second;
  };
  EXPECT_EQ(CopyBlockText({1, 1, 2, 2}, 3, 3, cell), "a\tb\r\nc\td\r\n");
  EXPECT_EQ(CopyBlockText({1, 1, 1, 1}, 3, 3, cell), "a\r\n");
  // A block reaching past the grid is cut to it; one starting before it too.
  EXPECT_EQ(CopyBlockText({1, 1, 9, 9}, 3, 3, cell), "a\tb\r\nc\td\r\n");
  EXPECT_EQ(CopyBlockText({-4, 2, 1, 2}, 3, 3, cell), "\tc\r\n");
  // Impossible blocks give empty text.
  for (const CellBlock& b : {CellBlock{2, 1, 1, 1}, CellBlock{1, 2, 1, 1}, CellBlock{-3, 0, -1, 0},
                             CellBlock{0, -3, 0, -1}, CellBlock{3, 0, 4, 0}, CellBlock{0, 3, 0, 4}})
    EXPECT_EQ(CopyBlockText(b, 3, 3, cell), "") << b.left << "," << b.top << "," << b.right << "," << b.bottom;
}

TEST(LegendClipboard, PastesFieldsFromTheCurrentCell) {
  EXPECT_EQ(Paste("1\t2\r\n3\t4\r\n", 1, 1, 3, 3),
            (Cells{{{1, 1}, "1"}, {{2, 1}, "2"}, {{1, 2}, "3"}, {{2, 2}, "4"}}));
  // At the last data column only the first field of each line fits.
  EXPECT_EQ(Paste("1\t2\r\n3\t4\r\n", 2, 1, 3, 3), (Cells{{{2, 1}, "1"}, {{2, 2}, "3"}}));
  // Rows past the last one are dropped.
  EXPECT_EQ(Paste("1\r\n2\r\n3\r\n", 1, 2, 2, 3), (Cells{{{1, 2}, "1"}}));
  // A negative current cell counts as 0.
  EXPECT_EQ(Paste("x\r\n", -1, -5, 2, 2), (Cells{{{0, 0}, "x"}}));
  // Empty fields are written (they clear the cell).
  EXPECT_EQ(Paste("\t5\r\n", 1, 1, 3, 2), (Cells{{{1, 1}, ""}, {{2, 1}, "5"}}));
}

TEST(LegendClipboard, LineEndsOfEveryKindMoveToTheNextRow) {
  const Cells expected = {{{1, 1}, "1"}, {{2, 1}, "2"}, {{1, 2}, "3"}, {{2, 2}, "4"}};
  EXPECT_EQ(Paste("1\t2\n3\t4\n", 1, 1, 3, 3), expected);     // LF alone, as on Linux
  EXPECT_EQ(Paste("1\t2\r3\t4\r", 1, 1, 3, 3), expected);     // CR alone
  EXPECT_EQ(Paste("1\t2\r\n3\t4", 1, 1, 3, 3), expected);     // no final line end
  // An empty last line (two line ends) moves on without writing.
  EXPECT_EQ(Paste("1\r\n\r\n", 1, 1, 2, 3), (Cells{{{1, 1}, "1"}, {{1, 2}, ""}}));
}

// ---- the grid widgets --------------------------------------------------------

struct GridFixture : testing::WithApp, ::testing::Test {
  JobSettings settings;
  QWidget page;
};

std::string Cell(const QTableWidget* t, int col, int row) {
  const QTableWidgetItem* item = t->item(row, col);
  return item ? item->text().toStdString() : "<none>";
}

TEST_F(GridFixture, RebuildLaysOutHeadersForTheDivision) {
  LegendGrids grids(settings, &page);
  EXPECT_EQ(Cell(grids.intervalTable(), 0, 0), "間隔");
  EXPECT_EQ(Cell(grids.bottomTable(), 0, 0), "最下面");

  settings.tatediv = "4";
  settings.yokodiv = "2";
  settings.tanni = 2;
  ASSERT_TRUE(grids.RebuildLegendGrids());
  for (const QTableWidget* t : {static_cast<QTableWidget*>(grids.intervalTable()),
                                static_cast<QTableWidget*>(grids.bottomTable())}) {
    EXPECT_EQ(t->columnCount(), 3);
    EXPECT_EQ(t->rowCount(), 5);
    EXPECT_EQ(Cell(t, 0, 1), "A");
    EXPECT_EQ(Cell(t, 0, 4), "D");
    EXPECT_EQ(Cell(t, 1, 0), "0");
    EXPECT_EQ(Cell(t, 2, 0), "1");
  }
  EXPECT_EQ(Cell(grids.intervalTable(), 0, 0), "間隔(m)");
  EXPECT_EQ(Cell(grids.bottomTable(), 0, 0), "下面(m)");
  EXPECT_EQ(grids.bottomTable()->item(0, 1)->background().color(), QColor(0, 255, 255));
  EXPECT_NE(grids.intervalTable()->item(0, 1)->background().color(), QColor(0, 255, 255));
  EXPECT_EQ(settings.legendInterval.rows, 4);
  EXPECT_EQ(settings.legendInterval.cols, 2);

  settings.tanni = 0;
  settings.tatediv = "";   // empty counts as one row
  ASSERT_TRUE(grids.RebuildLegendGrids());
  EXPECT_EQ(grids.intervalTable()->rowCount(), 2);
  EXPECT_EQ(Cell(grids.intervalTable(), 0, 0), "間隔(mm)");
}

TEST_F(GridFixture, RebuildKeepsCellsInsideAndRefusesBadCounts) {
  LegendGrids grids(settings, &page);
  settings.tatediv = "3";
  settings.yokodiv = "3";
  ASSERT_TRUE(grids.RebuildLegendGrids());
  grids.intervalTable()->item(1, 1)->setText("5");
  grids.intervalTable()->item(3, 3)->setText("9");
  EXPECT_EQ(settings.legendInterval.cell(0, 0), "5");
  EXPECT_EQ(settings.legendInterval.cell(2, 2), "9");

  settings.tatediv = "2";
  ASSERT_TRUE(grids.RebuildLegendGrids());
  EXPECT_EQ(Cell(grids.intervalTable(), 1, 1), "5");
  EXPECT_EQ(grids.intervalTable()->rowCount(), 3);

  for (const char* bad : {"x", "0", "-2", "18278", "1.5"}) {
    settings.tatediv = bad;
    EXPECT_FALSE(grids.RebuildLegendGrids()) << bad;
    EXPECT_EQ(grids.intervalTable()->rowCount(), 3) << bad;
  }
  settings.tatediv = "1";
  settings.yokodiv = "257";
  EXPECT_FALSE(grids.RebuildLegendGrids());
}

TEST_F(GridFixture, CtrlCAndCtrlVGoThroughTheClipboard) {
  LegendGrids grids(settings, &page);
  settings.tatediv = "2";
  settings.yokodiv = "2";
  ASSERT_TRUE(grids.RebuildLegendGrids());
  LegendTable* table = grids.intervalTable();
  table->setCurrentCell(1, 1);
  QApplication::clipboard()->setText("10\t20\r\n30\t40\r\n");
  QTest::keyClick(table, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(settings.legendInterval.cell(0, 0), "10");
  EXPECT_EQ(settings.legendInterval.cell(0, 1), "20");
  EXPECT_EQ(settings.legendInterval.cell(1, 0), "30");
  EXPECT_EQ(settings.legendInterval.cell(1, 1), "40");
  EXPECT_TRUE(settings.jido);   // pasting leaves automatic mode on

  table->setRangeSelected(QTableWidgetSelectionRange(1, 1, 2, 2), true);
  QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "10\t20\r\n30\t40\r\n");

  // Other modifiers with Ctrl do nothing.
  QApplication::clipboard()->setText("unchanged");
  QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "unchanged");
  QApplication::clipboard()->setText("99\r\n");
  table->setCurrentCell(1, 1);
  QTest::keyClick(table, Qt::Key_V, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(settings.legendInterval.cell(0, 0), "10");

  // The current cell on a header still pastes into the data cells.
  table->setCurrentCell(0, 0);
  QApplication::clipboard()->setText("7\r\n");
  QTest::keyClick(table, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Cell(table, 0, 0), "間隔(m)");
  EXPECT_EQ(settings.legendInterval.cell(0, 0), "7");
}

TEST_F(GridFixture, OpeningACellEditorSwitchesAutomaticModeOff) {
  LegendGrids grids(settings, &page);
  LegendControls controls(settings);
  ConnectLegendWidgets(grids, controls);
  ASSERT_TRUE(grids.RebuildLegendGrids());
  page.resize(400, 300);
  grids.bottomTable()->resize(400, 300);
  grids.bottomTable()->raise();
  page.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
  EXPECT_TRUE(controls.automaticBox()->isChecked());
  EXPECT_TRUE(controls.intervalSetButton()->isHidden());

  LegendTable* table = grids.bottomTable();
  table->show();
  table->setCurrentCell(1, 1);
  QTest::keyClick(table, Qt::Key_F2);   // opens the in-place editor
  EXPECT_FALSE(settings.jido);
  EXPECT_FALSE(controls.automaticBox()->isChecked());
  EXPECT_FALSE(controls.intervalSetButton()->isHidden());
  EXPECT_FALSE(controls.bottomSetButton()->isHidden());
}

// ---- legend controls -----------------------------------------------------------

TEST_F(GridFixture, ControlsFollowTheirBoxes) {
  LegendControls controls(settings);
  controls.automaticBox()->setChecked(false);
  EXPECT_FALSE(settings.jido);
  EXPECT_FALSE(controls.intervalSetButton()->isHidden());
  controls.automaticBox()->setChecked(true);
  EXPECT_TRUE(controls.intervalSetButton()->isHidden());

  EXPECT_TRUE(controls.shadingModeList()->isHidden());
  controls.hillshadeBox()->setChecked(true);
  EXPECT_TRUE(settings.shadow);
  EXPECT_FALSE(controls.shadingModeList()->isHidden());

  settings.shadow = false;
  settings.jido = false;
  controls.ShowSettings();   // after settings are read
  EXPECT_TRUE(controls.shadingModeList()->isHidden());
  EXPECT_FALSE(controls.intervalSetButton()->isHidden());
}

TEST_F(GridFixture, PreviewIsRepaintedWithTheScheme) {
  LegendControls controls(settings);
  controls.schemeSlider()->setValue(0);
  const QImage scheme0 = controls.preview()->pixmap().toImage();
  controls.schemeSlider()->setValue(7);
  EXPECT_EQ(settings.iro, 7);
  const QImage scheme7 = controls.preview()->pixmap().toImage();
  ASSERT_EQ(scheme7.width(), 129);
  EXPECT_NE(scheme0, scheme7);
  for (int i : {0, 64, 128}) {
    const Colour c = rgb(i, 128, 1.0f, 7);
    EXPECT_EQ(scheme7.pixelColor(i, 12), QColor(RedOf(c), GreenOf(c), BlueOf(c))) << i;
  }
}

TEST(LegendPreview, BandsSpreadOverWiderPictures) {
  testing::App();
  const QImage wide = LegendPreviewImage(3, 258, 4);
  const Colour last = rgb(128, 128, 1.0f, 3);
  EXPECT_EQ(wide.pixelColor(257, 0), QColor(RedOf(last), GreenOf(last), BlueOf(last)));
  const Colour first = rgb(0, 128, 1.0f, 3);
  EXPECT_EQ(wide.pixelColor(1, 3), QColor(RedOf(first), GreenOf(first), BlueOf(first)));
}

}  // namespace
}  // namespace velkaro
