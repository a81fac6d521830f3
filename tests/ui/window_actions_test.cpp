// The buttons that reach outside the window: companion programs, links, the
// manual, folder pickers and listings, the version button, presets, and the
// job file named at start-up.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "platform/app_folders.h"
#include "ui/colour_check_box.h"
#include "ui/drawing_settings_tab.h"
#include "ui/folder_actions.h"
#include "ui/ksj_theme_tab.h"
#include "ui/layer_tree_tab.h"
#include "ui/modifier_button.h"
#include "ui/ui_messages.h"
#include "window_fixture.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

// A window whose program folder is a scratch copy of the build's, so that
// companion programs can be present or missing.
class ProgramFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = scratch.path() + "/program/";
    fs::create_directories(folder.toStdString());
    for (const auto& entry : fs::directory_iterator(VELKARO_BIN_DIR))
      if (entry.is_regular_file() && entry.path().extension() != "")
        fs::copy_file(entry.path(), folder.toStdString() + entry.path().filename().string());
    window = std::make_unique<MainWindow>(folder, desktop);
    ASSERT_TRUE(window->startUp());
  }

  void addProgram(const char* name) {
    const std::string path = folder.toStdString() + name;
    std::ofstream(path) << "#!/bin/sh\n";
    fs::permissions(path, fs::perms::owner_all);
  }

  QTemporaryDir scratch;
  QString folder;
  ScriptedDesktop desktop;
  std::unique_ptr<MainWindow> window;
};

TEST_F(ProgramFolderTest, MissingCompanionProgramIsReported) {
  window->drawingTab()->buttons().gridpack->click();
  EXPECT_TRUE(desktop.started.empty());
  ASSERT_EQ(desktop.asked.size(), 1u);
  EXPECT_TRUE(desktop.asked[0].text.contains(kGridpackProgram)) << desktop.asked[0].text.toStdString();
  EXPECT_TRUE(desktop.asked[0].text.contains(folder));
}

TEST_F(ProgramFolderTest, CompanionProgramsStartWithTheirFolder) {
  addProgram(kExpandProgram);
  addProgram(kGridpackProgram);
  window->settings().meshfolder = "/data/標高データ/";
  window->settings().readfolder = "/data/基盤地図情報/FG-GML-5339";
  window->drawingTab()->buttons().expand->click();
  window->fgdTab()->expandButton()->click();
  window->drawingTab()->buttons().gridpack->click();
  ASSERT_EQ(desktop.started.size(), 3u);
  EXPECT_EQ(desktop.started[0].first, folder + kExpandProgram);
  EXPECT_EQ(desktop.started[0].second, QStringList{QString::fromUtf8("/data/標高データ")});
  EXPECT_EQ(desktop.started[1].second, QStringList{QString::fromUtf8("/data/基盤地図情報")});
  EXPECT_EQ(desktop.started[2].first, folder + kGridpackProgram);
  EXPECT_TRUE(desktop.started[2].second.isEmpty());
  EXPECT_TRUE(desktop.asked.empty());
}

TEST(ExpandArgumentTest, CutsAfterTheFamilyFolder) {
  const struct {
    const char* folder;
    const char* component;
    const char* argument;
  } cases[] = {
      {"/d/基盤地図情報/a/b/", "/基盤地図情報", "/d/基盤地図情報"},
      {"/d/国土数値情報", "/国土数値情報", "/d/国土数値情報"},
      {"/d/other/", "/国土基本情報", "/d/other"},
      {"/d/標高データ///", "", "/d/標高データ"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandArgument(c.folder, c.component), c.argument) << c.folder;
}

TEST_F(WindowTest, LinkButtonsOpenTheLinkFileAddresses) {
  const auto& links = window->drawingTab()->buttons().links;
  for (size_t i = 0; i < links.size(); ++i) links[i]->click();
  ASSERT_EQ(desktop.opened.size(), links.size());
  for (size_t i = 0; i < links.size(); ++i)
    EXPECT_EQ(desktop.opened[static_cast<int>(i)], QString::fromStdString(window->links()[i]));
  EXPECT_TRUE(desktop.opened[1].startsWith("https://fgd.gsi.go.jp/")) << "read from maplink.txt";
}

TEST_F(WindowTest, FolderButtonPicksOrListsWithCtrl) {
  const std::string fgdFolder = scratchPath("基盤地図情報");
  fs::create_directories(fgdFolder + "/sub");
  std::ofstream(fgdFolder + "/a.xml") << "x";
  std::ofstream(fgdFolder + "/sub/b.xml") << "x";
  std::ofstream(fgdFolder + "/c.zip") << "x";

  desktop.folder = QString::fromStdString(fgdFolder);
  QTest::mouseClick(window->fgdTab()->folderButton(), Qt::LeftButton);
  EXPECT_EQ(window->settings().readfolder, fgdFolder);
  EXPECT_EQ(window->fgdTab()->folderEdit()->text(), QString::fromStdString(fgdFolder));

  desktop.folder.clear();  // a cancelled picker keeps the folder
  QTest::mouseClick(window->fgdTab()->folderButton(), Qt::LeftButton);
  EXPECT_EQ(window->settings().readfolder, fgdFolder);

  QTest::mouseClick(window->fgdTab()->folderButton(), Qt::LeftButton, Qt::ControlModifier);
  const QString head = window->programTitle() + "\r\n" + QString::fromUtf8(ui_text::kFgdFolderLabel) +
                       QString::fromStdString(fgdFolder) + "\r\n";
  EXPECT_EQ(desktop.clipboardText, head + "a.xml\r\nb.xml\r\n");

  QTest::mouseClick(window->drawingTab()->buttons().version, Qt::LeftButton, Qt::ControlModifier);
  EXPECT_EQ(desktop.clipboardText, head + "a.xml\r\nb.xml\r\nc.zip\r\n");
}

TEST_F(WindowTest, VersionButtonShowsTheTitleOrAsksBeforeUninstalling) {
  QTest::mouseClick(window->drawingTab()->buttons().version, Qt::LeftButton);
  ASSERT_EQ(desktop.asked.size(), 1u);
  EXPECT_EQ(desktop.asked[0].title, window->programTitle());

  const fs::path lastDrawFolder = fs::path(LastDrawPath()).parent_path();
  desktop.rule = [](const AskedBox&) { return Answer::No; };
  QTest::mouseClick(window->drawingTab()->buttons().version, Qt::LeftButton, Qt::ShiftModifier | Qt::AltModifier);
  ASSERT_EQ(desktop.asked.size(), 2u);
  EXPECT_EQ(desktop.asked[1].title, QString::fromUtf8(ui_text::kUninstallTitle));
  EXPECT_TRUE(fs::exists(lastDrawFolder));
  desktop.rule = [](const AskedBox&) { return Answer::Yes; };
  QTest::mouseClick(window->drawingTab()->buttons().version, Qt::LeftButton, Qt::ShiftModifier | Qt::AltModifier);
  EXPECT_FALSE(fs::exists(lastDrawFolder));
}

TEST_F(WindowTest, PresetButtonReadsTheStyleFileBesideTheProgram) {
  window->ksjTab()->presetButton()->click();
  EXPECT_TRUE(desktop.asked.empty());
  JobSettings expected = StartupSettings(BinFolder().toStdString()).settings;
  ReadSettings(expected, BinFolder().toStdString() + kKsjPresetFile);
  for (size_t i = 0; i < expected.layers.ksj.size(); ++i)
    EXPECT_EQ(window->ksjTab()->themeBoxes()[i]->isChecked(), expected.layers.ksj[i].on) << i;
}

TEST_F(WindowTest, JobFileNamedAtStartUpIsLoadedAndNamesTheWindow) {
  const std::string path = writeJob("start.pxj", {"area/namae=yama", "area/zahyokei=56"});
  MainWindow second(BinFolder(), desktop);
  ASSERT_TRUE(second.startUp(QString::fromStdString(path)));
  EXPECT_EQ(second.drawingTab()->mapName()->text(), "yama");
  EXPECT_EQ(second.drawingTab()->zoneList()->currentIndex(), 56);
  EXPECT_EQ(second.windowTitle(), QStringLiteral("velkaro " VELKARO_VERSION " - start.pxj"));

  MainWindow missing(BinFolder(), desktop);
  ASSERT_TRUE(missing.startUp(QString::fromStdString(scratchPath("none.pxj"))));
  ASSERT_FALSE(desktop.asked.empty());
  EXPECT_TRUE(desktop.asked.back().text.contains("none.pxj"));
}

}  // namespace
}  // namespace velkaro
