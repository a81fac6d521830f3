// The buttons that reach outside the window: companion programs, links, the
// manual, folder pickers and listings, the version button, presets, and the
// job file named at start-up.
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
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

QString Q(const char* s) { return QString::fromUtf8(s); }

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
  window->settings().meshfolder = "/data/標高データ/";
  window->settings().readfolder = "/data/基盤地図情報/FG-GML-5339";
  window->drawingTab()->buttons().expand->click();
  window->fgdTab()->expandButton()->click();
  ASSERT_EQ(desktop.started.size(), 2u);
  EXPECT_EQ(desktop.started[0].first, folder + kExpandProgram);
  EXPECT_EQ(desktop.started[0].second, QStringList{QString::fromUtf8("/data/標高データ")});
  EXPECT_EQ(desktop.started[1].second, QStringList{QString::fromUtf8("/data/基盤地図情報")});
  EXPECT_TRUE(desktop.asked.empty());
  EXPECT_EQ(window->statusBar()->currentMessage(), QString(kExpandProgram) + Q(ui_text::kProgramRunning));
}

// The mesh conversion needs the elevation folder and the file to write: the
// save dialog proposes "mosaic.tif" in the elevation folder.
TEST_F(ProgramFolderTest, GridpackAsksForTheOutputFile) {
  addProgram(kGridpackProgram);
  const QString mesh = scratch.path() + QString::fromUtf8("/標高データ");
  fs::create_directories(mesh.toStdString());
  QPushButton* button = window->drawingTab()->buttons().gridpack;

  window->settings().meshfolder = (mesh + "/nowhere").toStdString();
  button->click();
  ASSERT_EQ(desktop.asked.size(), 1u) << "a missing elevation folder is named";
  EXPECT_TRUE(desktop.asked[0].text.contains(mesh + "/nowhere"));
  EXPECT_TRUE(desktop.lastSaveProposal.isEmpty());

  window->settings().meshfolder = (mesh + "/").toStdString();
  desktop.saveFile.clear();  // the dialog cancelled
  button->click();
  EXPECT_EQ(desktop.lastSaveProposal, mesh + "/mosaic.tif");
  EXPECT_TRUE(desktop.started.empty());

  desktop.saveFile = scratch.path() + "/out.tif";
  button->click();
  ASSERT_EQ(desktop.started.size(), 1u);
  EXPECT_EQ(desktop.started[0].first, folder + kGridpackProgram);
  EXPECT_EQ(desktop.started[0].second, (QStringList{mesh, scratch.path() + "/out.tif"}));
  EXPECT_EQ(desktop.asked.size(), 1u);
}

// How the started program ended: quietly on success, with its exit code and
// its last words otherwise.
TEST_F(ProgramFolderTest, FailuresOfTheStartedProgramAreReported) {
  addProgram(kExpandProgram);
  window->settings().meshfolder = "/data";
  for (int i = 0; i < 3; ++i) window->drawingTab()->buttons().expand->click();
  ASSERT_EQ(desktop.running.size(), 3u);

  desktop.running[0]({false, 0, "1 archive(s): 3 file(s) written"});
  EXPECT_TRUE(desktop.asked.empty());
  EXPECT_EQ(window->statusBar()->currentMessage(), QString(kExpandProgram) + Q(ui_text::kProgramDone));

  desktop.running[1]({false, 2, "velkaro-expand: not a folder: /data"});
  ASSERT_EQ(desktop.asked.size(), 1u);
  EXPECT_EQ(desktop.asked[0].title, QString(kExpandProgram));
  EXPECT_TRUE(desktop.asked[0].text.contains(Q(ui_text::kProgramExitPrefix) + "2")) << desktop.asked[0].text.toStdString();
  EXPECT_TRUE(desktop.asked[0].text.endsWith("not a folder: /data"));

  desktop.running[2]({true, 0, {}});
  ASSERT_EQ(desktop.asked.size(), 2u);
  EXPECT_EQ(desktop.asked[1].text, QString(kExpandProgram) + Q(ui_text::kProgramCrashed));

  // The window may be gone before its program ends.
  window.reset();
  desktop.running[0]({false, 1, "late"});
  EXPECT_EQ(desktop.asked.size(), 2u);
}

// The real desktop starts the program and hears how it ended.
TEST(QtDesktopTest, StartedProgramReportsItsExitCodeAndOutput) {
  QtDesktop desktop;
  std::optional<ProgramEnd> ended;
  ASSERT_TRUE(desktop.startProgram("/bin/sh", {"-c", "echo first; echo usage >&2; exit 3"},
                                   [&](const ProgramEnd& end) { ended = end; }));
  ASSERT_TRUE(QTest::qWaitFor([&] { return ended.has_value(); }, 10000));
  EXPECT_FALSE(ended->crashed);
  EXPECT_EQ(ended->exitCode, 3);
  EXPECT_EQ(ended->output, "first\nusage");
  EXPECT_FALSE(desktop.startProgram("/nonexistent/program", {}, [](const ProgramEnd&) {}));
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
