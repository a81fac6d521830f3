// The drawing-settings controls, layer trees and theme boxes show the file
// that was loaded, and what the user changes in them reaches the saved file.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include "job/tile_grid.h"
#include "platform/ini_file.h"
#include "ui/colour_check_box.h"
#include "ui/drawing_settings_tab.h"
#include "ui/ksj_theme_tab.h"
#include "ui/layer_tree_tab.h"
#include "ui/legend_controls.h"
#include "ui/modifier_button.h"
#include "ui/ui_messages.h"
#include "modal_dialog.h"
#include "window_fixture.h"

namespace velkaro {
namespace {

QString Q(const char* s) { return QString::fromUtf8(s); }

// Group and child index of an FGD or KKJ layer by name.
std::pair<int, int> FindLayer(const LayerTree& tree, const std::string& name) {
  for (size_t g = 0; g < tree.groups.size(); ++g)
    for (size_t c = 0; c < tree.groups[g].children.size(); ++c)
      if (tree.groups[g].children[c].entry.name == name) return {static_cast<int>(g), static_cast<int>(c)};
  return {-1, -1};
}

TEST_F(WindowTest, SixTabsInOrderAndTitleWithVersion) {
  const char* captions[] = {ui_text::kTabDrawing, ui_text::kTabFgd, ui_text::kTabKsj,
                            ui_text::kTabKkj, ui_text::kTabLegendInterval, ui_text::kTabLegendBottom};
  ASSERT_EQ(window->tabs()->count(), 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(window->tabs()->tabText(i), Q(captions[i]));
  EXPECT_EQ(window->windowTitle(), QStringLiteral("velkaro " VELKARO_VERSION));
  EXPECT_TRUE(desktop.asked.empty()) << desktop.asked.front().text.toStdString();
}

TEST_F(WindowTest, ControlsShowTheLoadedFile) {
  const std::string path = writeJob("shown.pxj", {
      "area/namae=港町", "area/zahyokei=33", "kihon/size=5", "kihon/tanni=1", "kihon/type=1",
      "area/kita=-28000", "area/minami=-45000", "area/nisi=-18500", "area/higasi=3500",
      "area/yokodiv=3", "area/tatediv=2", "area/kasane=7", "movie/top=4.5", "alti/alti10=1",
      "alti/cont10=1", "alti/shadow=1", "alti/jido=0", "GSI-OnOff/RdEdg-1=1", "GSI-Color/RdEdg-1=$0000FF",
      "MLIT-OnOff/A40-=1", "MLIT-Color/A40-=$00FF00", "KKJ-OnOff/AdmBdry-2=1", "tiikimesh/cb=1",
      "tiikimesh/color=$FF0000"});
  ASSERT_TRUE(window->loadSettingsFile(QString::fromStdString(path)));
  DrawingSettingsTab* t = window->drawingTab();

  EXPECT_EQ(t->mapName()->text(), Q("港町"));
  EXPECT_EQ(t->zoneList()->currentIndex(), 33);
  EXPECT_EQ(t->sizeList()->currentIndex(), 5);
  EXPECT_EQ(t->unitList()->currentIndex(), 1);
  const char* edges[] = {"-28000", "-45000", "-18500", "3500"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(t->edge(i)->text(), Q(edges[i])) << i;
  EXPECT_EQ(t->columnsSpin()->value(), 3);
  EXPECT_EQ(t->rowsSpin()->value(), 2);
  EXPECT_EQ(t->overlapSpin()->value(), 7);
  EXPECT_FALSE(t->overlapSpin()->isHidden());
  EXPECT_FALSE(t->movieGroup()->isHidden());
  EXPECT_EQ(t->sizeReadout()->text(), QString::fromStdString(SizeReadout(window->settings())));
  EXPECT_FALSE(t->sizeReadout()->text().isEmpty());
  for (int k = 0; k < kElevationClasses; ++k) {
    EXPECT_EQ(t->meshClass(k)->isChecked(), k == 1) << k;
    EXPECT_EQ(t->contourClass(k)->isChecked(), k == 1) << k;
  }
  LegendControls* legend = t->legendControls();
  EXPECT_TRUE(legend->hillshadeBox()->isChecked());
  EXPECT_FALSE(legend->shadingModeList()->isHidden());
  EXPECT_FALSE(legend->automaticBox()->isChecked());
  EXPECT_FALSE(legend->intervalSetButton()->isHidden());
  EXPECT_TRUE(t->meshSwitch()->isChecked());
  EXPECT_EQ(t->meshSwitch()->layerColour(), 0xFF0000);
  EXPECT_EQ(t->buttons().start->toolTip(), Q(ui_text::kHintAvi));

  const auto [g, c] = FindLayer(window->settings().layers.fgd, "RdEdg-1");
  QTreeWidgetItem* road = window->fgdTab()->itemOf(g, c);
  ASSERT_NE(road, nullptr);
  EXPECT_EQ(road->checkState(0), Qt::Checked);
  EXPECT_EQ(road->foreground(0).color(), QColor(255, 0, 0));
  EXPECT_EQ(window->fgdTab()->itemOf(g, -1)->checkState(0), Qt::Checked);
  EXPECT_TRUE(window->fgdTab()->itemOf(g, -1)->isExpanded());
  const auto [kg, kc] = FindLayer(window->settings().layers.kkj, "AdmBdry-2");
  EXPECT_EQ(window->kkjTab()->itemOf(kg, kc)->checkState(0), Qt::Checked);

  ColourCheckBox* tsunami = window->ksjTab()->themeBoxes().at(2);
  EXPECT_TRUE(tsunami->isChecked());
  EXPECT_EQ(tsunami->layerColour(), 0x00FF00);
  EXPECT_FALSE(window->ksjTab()->themeBoxes().at(0)->isChecked());

  EXPECT_EQ(window->windowTitle(), QStringLiteral("velkaro " VELKARO_VERSION " - shown.pxj"));
}

TEST_F(WindowTest, EditsReachTheSavedFile) {
  DrawingSettingsTab* t = window->drawingTab();
  t->mapName()->clear();
  QTest::keyClicks(t->mapName(), "coast");
  t->edge(0)->clear();
  QTest::keyClicks(t->edge(0), "-28000");
  t->zoneList()->setCurrentIndex(33);
  t->sizeList()->setCurrentIndex(6);
  t->columnsSpin()->setValue(2);
  t->overlapSpin()->setValue(10);
  t->meshClass(3)->click();
  t->contourClass(3)->click();

  const auto [g, c] = FindLayer(window->settings().layers.fgd, "WA-1");
  window->fgdTab()->itemOf(g, c)->setCheckState(0, Qt::Checked);
  testing::PickColourNext(MakeColour(0x12, 0x34, 0x56));
  window->editLayerStyle(LayerRef::node(LayerRef::Kind::FgdNode, g, c));
  window->ksjTab()->themeBoxes().at(1)->click();
  testing::PickPaletteEntryNext(5);
  window->editLayerStyle(LayerRef::theme(1));

  EXPECT_EQ(window->settings().namae, "coast");
  desktop.saveFile = QString::fromStdString(scratchPath("edited"));
  QTest::mouseClick(t->buttons().save, Qt::LeftButton);
  EXPECT_TRUE(desktop.lastSaveProposal.endsWith("coast.pxj")) << desktop.lastSaveProposal.toStdString();

  std::string error;
  const IniFile ini = IniFile::Load(scratchPath("edited.pxj"), &error);
  ASSERT_TRUE(error.empty()) << error;
  struct Key {
    const char* section;
    const char* key;
    const char* value;
  };
  const Key keys[] = {
      {"area", "namae", "coast"},         {"area", "kita", "-28000"},       {"area", "zahyokei", "33"},
      {"kihon", "size", "6"},             {"area", "yokodiv", "2"},         {"area", "kasane", "10"},
      {"alti", "alti250", "1"},           {"alti", "cont250", "1"},         {"alti", "alti5", "0"},
      {"GSI-OnOff", "WA-1", "1"},         {"GSI-Color", "WA-1", "$563412"}, {"MLIT-OnOff", "A31a", "1"},
      {"MLIT-Color", "A31a", "$FF0000"},
  };
  for (const Key& k : keys) EXPECT_EQ(ini.ReadString(k.section, k.key, "?"), k.value) << k.section << "/" << k.key;
  EXPECT_EQ(window->windowTitle(), QStringLiteral("velkaro " VELKARO_VERSION " - edited.pxj"));
}

TEST_F(WindowTest, NumericFieldsTakeOnlyDigitsSignAndPoint) {
  QLineEdit* north = window->drawingTab()->edge(0);
  north->clear();
  QTest::keyClicks(north, "-12a,3.5x");
  EXPECT_EQ(north->text(), "-123.5");
  EXPECT_EQ(window->settings().kita, "-123.5");
}

TEST_F(WindowTest, DependentControlsFollowEdits) {
  DrawingSettingsTab* t = window->drawingTab();
  EXPECT_TRUE(t->overlapSpin()->isHidden());
  t->overlapSpin()->setValue(20);
  t->rowsSpin()->setValue(2);
  EXPECT_FALSE(t->overlapSpin()->isHidden());
  t->rowsSpin()->setValue(1);
  EXPECT_TRUE(t->overlapSpin()->isHidden());
  EXPECT_EQ(window->settings().kasane, 20) << "a hidden overlap keeps its value";

  EXPECT_TRUE(t->movieGroup()->isHidden());
  const QList<QAbstractButton*> types = t->findChildren<QAbstractButton*>();
  for (QAbstractButton* b : types)
    if (b->text() == Q(ui_text::kTypeAvi)) b->click();
  EXPECT_EQ(window->settings().type, 1);
  EXPECT_FALSE(t->movieGroup()->isHidden());
  EXPECT_EQ(t->buttons().start->toolTip(), Q(ui_text::kHintAvi));

  t->meshClass(0)->click();
  t->meshClass(2)->click();
  for (int k = 0; k < kElevationClasses; ++k) EXPECT_EQ(window->settings().alti[k], k == 2) << k;
  EXPECT_FALSE(t->meshClass(0)->isChecked());

  LegendControls* legend = t->legendControls();
  legend->automaticBox()->click();
  EXPECT_FALSE(window->settings().jido);
  EXPECT_FALSE(legend->intervalSetButton()->isHidden());
  legend->bottomSetButton()->click();
  EXPECT_EQ(window->tabs()->currentWidget(), window->legendBottomPage());
  legend->intervalSetButton()->click();
  EXPECT_EQ(window->tabs()->currentWidget(), window->legendIntervalPage());

  t->edge(1)->clear();
  QTest::keyClicks(t->edge(1), "1");  // south above north
  EXPECT_TRUE(t->sizeReadout()->text().isEmpty());
}

TEST_F(WindowTest, GroupCheckBoxSwitchesItsChildrenAndFollowsThem) {
  LayerTree& fgd = window->settings().layers.fgd;
  QTreeWidgetItem* group = window->fgdTab()->itemOf(0, -1);
  group->setCheckState(0, Qt::Unchecked);
  for (const LayerNode& child : fgd.groups[0].children) EXPECT_FALSE(child.on);
  group->setCheckState(0, Qt::Checked);
  for (const LayerNode& child : fgd.groups[0].children) EXPECT_TRUE(child.on);
  EXPECT_EQ(window->fgdTab()->itemOf(0, 0)->checkState(0), Qt::Checked);
  for (int c = 0; c < group->childCount(); ++c) group->child(c)->setCheckState(0, Qt::Unchecked);
  EXPECT_FALSE(fgd.groups[0].node.on);
  EXPECT_EQ(group->checkState(0), Qt::Unchecked);
}

TEST_F(WindowTest, ThemeCheckBoxesCarryTheirCaptionsAsAccessibleNames) {
  const auto& boxes = window->ksjTab()->themeBoxes();
  ASSERT_EQ(boxes.size(), window->settings().layers.ksj.size());
  for (size_t i = 0; i < boxes.size(); ++i)
    EXPECT_EQ(boxes[i]->accessibleName(), QString::fromStdString(window->settings().layers.ksj[i].caption));
}

}  // namespace
}  // namespace velkaro
