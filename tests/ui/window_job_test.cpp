// Jobs started from the window: the tiles and LastDraw.pxj are written, the
// tiles equal those of the command line for the saved file, and the abort
// button stops the run keeping the tiles already written.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QSlider>
#include <QSpinBox>
#include <QTreeWidgetItem>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <functional>
#include <set>
#include <unistd.h>

#include "job/messages.h"
#include "platform/app_folders.h"
#include "ui/drawing_settings_tab.h"
#include "ui/layer_tree_tab.h"
#include "ui/legend_controls.h"
#include "ui/legend_grids.h"
#include "ui/memory_budget_dialog.h"
#include "ui/modifier_button.h"
#include "ui/processing_window.h"
#include "ui/termination_watch.h"
#include "ui/ui_messages.h"
#include "modal_dialog.h"
#include "window_fixture.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

QByteArray FileBytes(const std::string& path) {
  QFile f(QString::fromStdString(path));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class WindowJobTest : public WindowTest {
 protected:
  // The generated sample area, shared by the tests of this suite.
  static void SetUpTestSuite() {
    sample_ = new QTemporaryDir;
    QProcess generator;
    generator.start(BinFolder() + "velkaro-sample", {sample_->path() + "/sample"});
    ASSERT_TRUE(generator.waitForFinished(120000));
    ASSERT_EQ(generator.exitCode(), 0) << generator.readAllStandardError().toStdString();
  }
  static void TearDownTestSuite() {
    delete sample_;
    sample_ = nullptr;
  }

  // The sample job: 2 x 2 small tiles over the coast with relief, hillshade,
  // contours, water, roads and buildings.
  std::string writeSampleJob(const std::string& out) {
    const std::string sample = sample_->path().toStdString() + "/sample/";
    fs::create_directories(out);
    fs::create_directories(scratchPath("empty"));
    return writeJob("sample.pxj", {
        "kihon/readfolder=" + sample + "基盤地図情報", "kihon/meshfolder=" + sample + "標高データ",
        "kihon/syoufolder=" + scratchPath("empty"), "kihon/kkjfolder=" + scratchPath("empty"),
        "kihon/writefolder=" + out, "kihon/size=5", "area/namae=demo", "area/zahyokei=33",
        "area/kita=-27000", "area/minami=-45000", "area/nisi=-18500", "area/higasi=3500",
        "area/yokodiv=2", "area/tatediv=2", "alti/alti10=1", "alti/cont10=1", "alti/shadow=1",
        "GSI-OnOff/Cstline-1=1", "GSI-OnOff/WA-1=1", "GSI-OnOff/RdEdg-1=1", "GSI-OnOff/BldA-1=1"});
  }

  static QTemporaryDir* sample_;
};

QTemporaryDir* WindowJobTest::sample_ = nullptr;

const char* kTiles[] = {"demoA0.bmp", "demoA1.bmp", "demoB0.bmp", "demoB1.bmp"};

// Runs the program's event loop as main() does until it ends by itself; a
// loop still running after two minutes counts as a program that did not end.
int RunEventLoop(const std::function<void()>& first) {
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] { QApplication::exit(99); });
  watchdog.start(120000);
  QTimer::singleShot(0, first);
  return QApplication::exec();
}

std::set<std::string> FileNames(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

void SendTermination(int signal = SIGTERM) { ::kill(::getpid(), signal); }

TEST_F(WindowJobTest, JobFromTheWindowWritesTilesLikeTheCommandLine) {
  const std::string out = scratchPath("map");
  desktop.openFile = QString::fromStdString(writeSampleJob(out));
  DrawingSettingsTab* t = window->drawingTab();
  QTest::mouseClick(t->buttons().load, Qt::LeftButton);
  // The user narrows the area, recolours the buildings and saves.
  t->edge(0)->clear();
  QTest::keyClicks(t->edge(0), "-28000");
  const auto& fgd = window->settings().layers.fgd;
  for (size_t g = 0; g < fgd.groups.size(); ++g)
    for (size_t c = 0; c < fgd.groups[g].children.size(); ++c)
      if (fgd.groups[g].children[c].entry.name == "BldA-1") {
        testing::PickColourNext(MakeColour(200, 30, 30));
        window->editLayerStyle(LayerRef::node(LayerRef::Kind::FgdNode, static_cast<int>(g), static_cast<int>(c)));
      }
  desktop.saveFile = QString::fromStdString(scratchPath("saved.pxj"));
  QTest::mouseClick(t->buttons().save, Qt::LeftButton);
  fs::remove(LastDrawPath());

  int labelUpdates = 0;
  QObject::connect(window->processingWindow(), &ProcessingWindow::labelChanged, [&] { ++labelUpdates; });
  QTest::mouseClick(t->buttons().start, Qt::LeftButton);

  ASSERT_FALSE(desktop.asked.empty());
  EXPECT_EQ(desktop.asked.back().title, QString::fromUtf8(msg::kFinishedTitle)) << desktop.asked.back().text.toStdString();
  EXPECT_GT(labelUpdates, 10);
  EXPECT_FALSE(window->processingWindow()->isVisible());
  for (const char* tile : kTiles) EXPECT_TRUE(fs::exists(out + "/" + tile)) << tile;
  EXPECT_TRUE(fs::exists(out + "/indexmap.htm"));
  EXPECT_TRUE(fs::exists(LastDrawPath()));
  EXPECT_EQ(window->statusBar()->currentMessage(), QString::fromUtf8(ui_text::kFinished));

  // The command line draws the same tiles from the saved file.
  const std::string cliOut = scratchPath("cli");
  fs::create_directories(cliOut);
  QProcess cli;
  cli.start(BinFolder() + "velkaro-cli", {"run", QString::fromStdString(scratchPath("saved.pxj")), "--set",
                                          QString::fromStdString("kihon/writefolder=" + cliOut), "--yes", "--quiet"});
  ASSERT_TRUE(cli.waitForFinished(300000));
  ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  for (const char* tile : kTiles) {
    const QByteArray mine = FileBytes(out + "/" + tile);
    EXPECT_FALSE(mine.isEmpty()) << tile;
    EXPECT_TRUE(mine == FileBytes(cliOut + "/" + tile)) << tile << " differs from the command line's";
  }
}

// "中　断", Escape and closing the processing window all abort the job.
TEST_F(WindowJobTest, AbortKeepsTheTilesWrittenAndStopsTheRun) {
  ProcessingWindow* w = window->processingWindow();
  const std::pair<const char*, std::function<void()>> ways[] = {
      {"abort button", [w] { QTest::mouseClick(w->abortButton(), Qt::LeftButton); }},
      {"Escape", [w] { QTest::keyClick(w, Qt::Key_Escape); }},
      {"window closed", [w] { w->close(); }},
  };
  int run = 0;
  for (const auto& entry : ways) {
    // Plain names rather than a structured binding: clang 14 (the sanitizer
    // build) cannot capture bindings in a lambda.
    const char* way = entry.first;
    const std::function<void()>& abort = entry.second;
    SCOPED_TRACE(way);
    const std::string out = scratchPath("map" + std::to_string(run++));
    ASSERT_TRUE(window->loadSettingsFile(QString::fromStdString(writeSampleJob(out))));
    fs::remove(LastDrawPath());
    desktop.asked.clear();

    // Abort once the third tile starts reading (after two tiles were drawn).
    int drawn = 0;
    bool pressed = false;
    const QMetaObject::Connection watch =
        QObject::connect(w, &ProcessingWindow::labelChanged, [&](LabelRole role, const QString& text) {
          if (role == LabelRole::Numerator && text == QString::fromUtf8(msg::kImageProcessing)) ++drawn;
          if (drawn == 2 && role == LabelRole::FileName && !pressed && text != QString::fromUtf8(msg::kPreparing)) {
            pressed = true;
            QTimer::singleShot(0, w, abort);
          }
        });
    EXPECT_EQ(window->startJob(), StartOutcome::Aborted);
    QObject::disconnect(watch);

    EXPECT_TRUE(pressed);
    EXPECT_TRUE(fs::exists(out + "/demoA0.bmp"));
    EXPECT_TRUE(fs::exists(out + "/demoA1.bmp"));
    EXPECT_FALSE(fs::exists(out + "/demoB0.bmp"));
    EXPECT_FALSE(fs::exists(out + "/demoB1.bmp"));
    EXPECT_FALSE(fs::exists(out + "/index.bmp"));
    EXPECT_FALSE(fs::exists(LastDrawPath())) << "an aborted job is not the last job";
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(window->statusBar()->currentMessage(), QString::fromUtf8(ui_text::kAborted));
    for (const AskedBox& box : desktop.asked)
      EXPECT_NE(box.title, QString::fromUtf8(msg::kFinishedTitle)) << "no report after an abort";
  }
}

TEST_F(WindowJobTest, ValidationProblemsComeInOneBoxAndNothingRuns) {
  const std::string out = scratchPath("map");
  ASSERT_TRUE(window->loadSettingsFile(QString::fromStdString(writeSampleJob(out))));
  window->drawingTab()->mapName()->clear();
  QTest::keyClicks(window->drawingTab()->mapName(), "a/b:c");
  EXPECT_EQ(window->startJob(), StartOutcome::Refused);
  ASSERT_EQ(desktop.asked.size(), 1u);
  EXPECT_EQ(desktop.asked[0].title, QString::fromUtf8(msg::kCheckSettingsTitle));
  EXPECT_EQ(desktop.asked[0].text, QString::fromUtf8("地図名に / は使えません\r\n地図名に : は使えません\r\n"));
  EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(WindowJobTest, OneTileReportOffersTheMapAndCopiesTheFrame) {
  const std::string out = scratchPath("map");
  ASSERT_TRUE(window->loadSettingsFile(QString::fromStdString(writeSampleJob(out))));
  DrawingSettingsTab* t = window->drawingTab();
  t->columnsSpin()->setValue(1);
  t->rowsSpin()->setValue(1);
  const char* edges[] = {"-36000", "-45000", "-18500", "-7500"};  // one tile's worth of elevation cells
  for (int i = 0; i < 4; ++i) {
    t->edge(i)->clear();
    QTest::keyClicks(t->edge(i), edges[i]);
  }
  desktop.rule = [](const AskedBox&) { return Answer::Yes; };
  EXPECT_EQ(window->startJob(), StartOutcome::Finished);
  EXPECT_EQ(desktop.opened, QStringList{QString::fromStdString(out + "/demo.bmp")});
  EXPECT_FALSE(desktop.clipboardImage.isNull());

  // A second run asks before overwriting the map.
  desktop.asked.clear();
  EXPECT_EQ(window->startJob(), StartOutcome::Finished);
  ASSERT_FALSE(desktop.asked.empty());
  EXPECT_EQ(desktop.asked.front().title, QString::fromUtf8(msg::kExistingFileTitle));
  EXPECT_EQ(desktop.asked.front().text, QString::fromUtf8("demo.bmp を上書きしますか。"));
}

// Blocks copied from a spreadsheet (TAB between fields, CR LF after every
// row) pasted into the two grids are the legends the job draws each tile
// with; a road recoloured with palette entry 5 by double click comes out
// blue in the tiles; the grids then show what the job used.
TEST_F(WindowJobTest, PastedLegendsAndAPickedColourReachTheJob) {
  const std::string out = scratchPath("map");
  ASSERT_TRUE(window->loadSettingsFile(QString::fromStdString(writeSampleJob(out))));
  LegendGrids* grids = window->legendGrids();
  EXPECT_EQ(grids->intervalTable()->rowCount(), 3);
  EXPECT_EQ(grids->intervalTable()->columnCount(), 3);
  EXPECT_EQ(grids->intervalTable()->item(0, 0)->text(), QString::fromUtf8("間隔(m)"));

  window->drawingTab()->legendControls()->automaticBox()->click();  // manual legends
  window->tabs()->setCurrentWidget(window->legendIntervalPage());
  const std::pair<LegendTable*, const char*> pastes[] = {
      {grids->intervalTable(), "20\t50\r\n10\t5\r\n"},
      {grids->bottomTable(), "0\t-5\r\n100\t7.5\r\n"},
  };
  for (const auto& [table, text] : pastes) {
    QApplication::clipboard()->setText(QString::fromUtf8(text));
    table->setCurrentCell(1, 1);
    QTest::keyClick(table, Qt::Key_V, Qt::ControlModifier);
  }
  EXPECT_EQ(grids->bottomTable()->item(2, 2)->text(), "7.5");
  EXPECT_FALSE(window->settings().jido);

  const auto& fgd = window->settings().layers.fgd;
  for (size_t g = 0; g < fgd.groups.size(); ++g)
    for (size_t c = 0; c < fgd.groups[g].children.size(); ++c)
      if (fgd.groups[g].children[c].entry.name == "RdEdg-1") {
        testing::PickPaletteEntryNext(5);
        window->editLayerStyle(LayerRef::node(LayerRef::Kind::FgdNode, static_cast<int>(g), static_cast<int>(c)));
        EXPECT_EQ(fgd.groups[g].children[c].entry.colour, MakeColour(0, 0, 255));
        EXPECT_EQ(window->fgdTab()->itemOf(static_cast<int>(g), static_cast<int>(c))->foreground(0).color(),
                  QColor(0, 0, 255));
      }

  // The legends of every tile as the driver loaded them, in metres.
  std::vector<double> intervals, bottoms;
  const QMetaObject::Connection watch =
      QObject::connect(window->processingWindow(), &ProcessingWindow::labelChanged, [&] {
        if (const JobContext* job = window->processingWindow()->attachedJob()) {
          intervals = job->legendIntervalM;
          bottoms = job->legendBottomM;
        }
      });
  EXPECT_EQ(window->startJob(), StartOutcome::Finished);
  QObject::disconnect(watch);
  EXPECT_EQ(intervals, (std::vector<double>{20, 50, 10, 5}));
  EXPECT_EQ(bottoms, (std::vector<double>{0, -5, 100, 7.5}));
  EXPECT_EQ(grids->intervalTable()->item(1, 2)->text(), "50");

  int blue = 0;  // not every tile has a road
  for (const char* tile : kTiles) {
    const QImage image(QString::fromStdString(out + "/" + tile));
    ASSERT_FALSE(image.isNull()) << tile;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) blue += image.pixel(x, y) == qRgb(0, 0, 255);
  }
  EXPECT_GT(blue, 100) << "no road in the picked colour";
}

// A budget raised with Ctrl + Alt on the version button lasts for one job:
// a refused start keeps it, a job that ran puts the pool and the dialog back.
TEST_F(WindowJobTest, RaisedMemoryBudgetLastsForOneJob) {
  const std::string out = scratchPath("map");
  ASSERT_TRUE(window->loadSettingsFile(QString::fromStdString(writeSampleJob(out))));
  MemoryBudgetDialog* dialog = window->memoryBudgetDialog();
  auto raise = [&] {
    testing::WhenModal<MemoryBudgetDialog>([](MemoryBudgetDialog* d) {
      d->stepsField()->setValue(2);
      d->shareSlider()->setValue(5);
      QTest::keyClick(d, Qt::Key_Return);
    });
    QTest::mouseClick(window->drawingTab()->buttons().version, Qt::LeftButton,
                      Qt::ControlModifier | Qt::AltModifier);
  };
  raise();
  EXPECT_EQ(window->cellBuffer().budget(), 2 * 2097152);
  EXPECT_EQ(window->cellBuffer().meshShare(), 5);

  window->drawingTab()->mapName()->clear();
  QTest::keyClicks(window->drawingTab()->mapName(), "a/b");
  EXPECT_EQ(window->startJob(), StartOutcome::Refused);
  EXPECT_EQ(window->cellBuffer().budget(), 2 * 2097152);
  EXPECT_EQ(dialog->stepsField()->value(), 2);

  window->drawingTab()->mapName()->clear();
  QTest::keyClicks(window->drawingTab()->mapName(), "demo");
  EXPECT_EQ(window->startJob(), StartOutcome::Finished);
  EXPECT_EQ(window->cellBuffer().budget(), 2097152);
  EXPECT_EQ(window->cellBuffer().meshShare(), 8);
  EXPECT_EQ(dialog->stepsField()->value(), 1);
  EXPECT_EQ(dialog->shareSlider()->value(), 8);
  EXPECT_EQ(desktop.asked.front().title, QString::fromUtf8(msg::kCheckSettingsTitle));
}

// A polite kill (SIGTERM) during a run aborts it as "中　断" does and the
// program then ends: the finished tiles stay whole, and neither scratch files
// nor temporary names are left in the output folder.
TEST_F(WindowJobTest, TerminationDuringARunAbortsItAndEndsTheProgram) {
  TerminationWatch watch(*window);
  ASSERT_TRUE(watch.installed());
  const std::string out = scratchPath("map");
  ASSERT_TRUE(window->loadSettingsFile(QString::fromStdString(writeSampleJob(out))));
  fs::remove(LastDrawPath());
  window->show();

  ProcessingWindow* w = window->processingWindow();
  int drawn = 0;
  bool sent = false;
  QObject::connect(w, &ProcessingWindow::labelChanged, [&](LabelRole role, const QString& text) {
    if (role == LabelRole::Numerator && text == QString::fromUtf8(msg::kImageProcessing)) ++drawn;
    if (drawn == 2 && role == LabelRole::FileName && !sent && text != QString::fromUtf8(msg::kPreparing)) {
      sent = true;
      SendTermination();
    }
  });
  std::vector<StartOutcome> outcomes;
  QObject::connect(window.get(), &MainWindow::jobEnded, [&](StartOutcome o) { outcomes.push_back(o); });
  const int exitCode = RunEventLoop([&] { QTest::mouseClick(window->drawingTab()->buttons().start, Qt::LeftButton); });

  EXPECT_EQ(exitCode, 0) << "the program did not end after the job stopped";
  EXPECT_TRUE(sent);
  EXPECT_EQ(outcomes, std::vector<StartOutcome>{StartOutcome::Aborted});
  EXPECT_FALSE(window->isVisible());
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(FileNames(out), (std::set<std::string>{"demoA0.bmp", "demoA1.bmp"}))
      << "only the finished tiles stay: no scratch files, no temporary names";
  for (const char* tile : {"demoA0.bmp", "demoA1.bmp"}) {
    const QImage image(QString::fromStdString(out + "/" + tile));
    EXPECT_FALSE(image.isNull()) << tile << " is not a whole image";
    EXPECT_GT(image.width(), 100) << tile;
  }
  EXPECT_FALSE(fs::exists(LastDrawPath())) << "an aborted job is not the last job";
}

// While no job runs, Ctrl-C in the terminal (SIGINT, taken like SIGTERM)
// closes the program as its close button does, answering an open dialog as
// Escape would instead of waiting for a person.
TEST_F(WindowJobTest, TerminationWhileIdleClosesTheProgram) {
  TerminationWatch watch(*window);
  ASSERT_TRUE(watch.installed());
  window->show();
  bool dialogWasOpen = false;
  const int exitCode = RunEventLoop([&] {
    QTimer::singleShot(50, [&] {
      dialogWasOpen = window->memoryBudgetDialog()->isVisible();
      SendTermination(SIGINT);
    });
    window->openMemoryBudget();  // a modal dialog, as a person may leave it open
  });
  EXPECT_EQ(exitCode, 0) << "the program did not end";
  EXPECT_TRUE(dialogWasOpen);
  EXPECT_FALSE(window->memoryBudgetDialog()->isVisible());
  EXPECT_FALSE(window->isVisible());
}

}  // namespace
}  // namespace velkaro
