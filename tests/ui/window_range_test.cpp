// "地図で指定" from the main window: the validated job opens the range
// selection window, and "範囲決定" writes the chosen area, rounded inward to
// whole units, and the division into the drawing-settings fields.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>

#include "job/messages.h"
#include "job/tile_grid.h"
#include "ui/dialog_messages.h"
#include "ui/drawing_settings_tab.h"
#include "ui/range_map_view.h"
#include "ui/range_window.h"
#include "modal_dialog.h"
#include "window_fixture.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

class WindowRangeTest : public WindowTest {
 protected:
  // A valid job over folders without boundary data.
  void loadJob() {
    for (const char* f : {"fgd", "ksj", "kkj", "dem", "out"}) fs::create_directories(scratchPath(f));
    ASSERT_TRUE(window->loadSettingsFile(QString::fromStdString(writeJob(
        "range.pxj", {"kihon/readfolder=" + scratchPath("fgd"), "kihon/syoufolder=" + scratchPath("ksj"),
                      "kihon/kkjfolder=" + scratchPath("kkj"), "kihon/meshfolder=" + scratchPath("dem"),
                      "kihon/writefolder=" + scratchPath("out"), "area/namae=range", "area/zahyokei=9",
                      "area/kita=1000", "area/minami=0", "area/nisi=0", "area/higasi=1000",
                      "area/yokodiv=1", "area/tatediv=1"}))));
  }

  QStringList edges() const {
    QStringList e;
    for (int i = 0; i < 4; ++i) e << window->drawingTab()->edge(i)->text();
    return e;
  }
};

TEST_F(WindowRangeTest, DecidedRangeIsWrittenIntoTheAreaFieldsRounded) {
  loadJob();
  testing::WhenModal<RangeWindow>([](RangeWindow* w) {
    w->mapView()->setSelection({-1234.4, 5678.9, -999.2, 2000.95});
    w->rowsField()->setValue(2);
    w->colsField()->setValue(3);
    QTest::mouseClick(w->decideButton(), Qt::LeftButton);
  });
  window->drawingTab()->buttons().pickOnMap->click();

  // North and east down, south and west up to whole metres.
  EXPECT_EQ(edges(), (QStringList{"2000", "-999", "-1234", "5678"}));
  const JobSettings& s = window->settings();
  EXPECT_EQ(s.kita, "2000");
  EXPECT_EQ(s.higasi, "5678");
  EXPECT_EQ(s.tatediv, "2");
  EXPECT_EQ(s.yokodiv, "3");
  DrawingSettingsTab* t = window->drawingTab();
  EXPECT_EQ(t->rowsSpin()->value(), 2);
  EXPECT_EQ(t->columnsSpin()->value(), 3);
  EXPECT_FALSE(t->overlapSpin()->isHidden());
  EXPECT_EQ(t->sizeReadout()->text(), QString::fromStdString(SizeReadout(s)));
  // The folder has no boundaries: the window said so and still decided.
  ASSERT_FALSE(desktop.asked.empty());
  EXPECT_EQ(desktop.asked[0].title, QString::fromUtf8(dialog_msg::kNoBoundariesTitle));
}

TEST_F(WindowRangeTest, CancelOrAFailedValidationLeavesTheFields) {
  loadJob();
  testing::WhenModal<RangeWindow>([](RangeWindow* w) {
    w->mapView()->setSelection({-5000, 5000, -5000, 5000});
    w->reject();
  });
  window->drawingTab()->buttons().pickOnMap->click();
  EXPECT_EQ(edges(), (QStringList{"1000", "0", "0", "1000"}));

  // A map name no file may carry: the validation message instead of the window.
  desktop.asked.clear();
  QTest::keyClicks(window->drawingTab()->mapName(), "/");
  window->openRangeWindow();
  ASSERT_EQ(desktop.asked.size(), 1u);
  EXPECT_EQ(desktop.asked[0].title, QString::fromUtf8(msg::kCheckSettingsTitle));
  EXPECT_EQ(edges(), (QStringList{"1000", "0", "0", "1000"}));
}

}  // namespace
}  // namespace velkaro
