#include "ui/main_window.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "run/driver.h"
#include "job/job_loader.h"
#include "job/messages.h"
#include "job/settings_file.h"
#include "job/validation.h"
#include "platform/app_folders.h"
#include "ui/colour_check_box.h"
#include "ui/desktop.h"
#include "ui/drawing_settings_tab.h"
#include "ui/folder_actions.h"
#include "ui/ksj_theme_tab.h"
#include "ui/layer_tree_tab.h"
#include "ui/legend_controls.h"
#include "ui/legend_grids.h"
#include "ui/line_style_dialog.h"
#include "ui/memory_budget_dialog.h"
#include "ui/modifier_button.h"
#include "ui/processing_window.h"
#include "ui/range_window.h"
#include "ui/ui_messages.h"
#include "catalogue/catalogue_messages.h"

namespace velkaro {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

std::string Path(const QString& path) { return path.toStdString(); }

// The folder a save dialog starts in: the program folder when it can be
// written to (a portable install), else the home folder.
QString WritableOrHome(const QString& folder) {
  const QFileInfo info(folder);
  return info.isDir() && info.isWritable() ? folder : QDir::homePath();
}

// Answers the open dialogs and message boxes as Escape would, the innermost
// first, up to the one to keep (the processing window of a running job).
void RejectOpenDialogs(const QWidget* keep) {
  for (int guard = 0; guard < 32; ++guard) {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || dialog == keep) return;
    dialog->reject();
    if (dialog->isVisible()) return;  // it refused to close
  }
}

}  // namespace

MainWindow::MainWindow(const QString& programFolder, Desktop& desktop, QWidget* parent)
    : QMainWindow(parent), programFolder_(programFolder), desktop_(desktop), links_(BuiltInMapLinks()) {
  if (!programFolder_.endsWith('/')) programFolder_ += '/';
  openFolder_ = programFolder_;
  saveFolder_ = WritableOrHome(programFolder_);
  buildTabs();
  // The windows the main window opens live as long as it does: the line
  // style dialog, the processing window and the memory budget dialog (the
  // range window is made for each use, with the job it shows).
  lineStyle_ = new LineStyleDialog(this);
  processing_ = new ProcessingWindow(desktop_, this);
  memory_ = new MemoryBudgetDialog(cells_, this);
  memory_->Reset();
  setWindowTitle(programTitle());
  statusBar();
}

MainWindow::~MainWindow() = default;

QString MainWindow::programTitle() const {
  QString version = QStringLiteral(VELKARO_VERSION);
  if (version.endsWith(".0.0")) version.chop(4);
  return U(ui_text::kProgramName) + ' ' + version;
}

void MainWindow::buildTabs() {
  tabs_ = new QTabWidget;
  drawing_ = new DrawingSettingsTab(settings_);
  fgd_ = new LayerTreeTab(settings_, {LayerRef::Kind::FgdNode, ui_text::kFgdFolder, ui_text::kExpand,
                                      &JobSettings::readfolder});
  ksj_ = new KsjThemeTab(settings_);
  kkj_ = new LayerTreeTab(settings_, {LayerRef::Kind::KkjNode, ui_text::kKkjFolder, ui_text::kExpandSpaced,
                                      &JobSettings::kkjfolder});
  intervalPage_ = new QWidget;
  bottomPage_ = new QWidget;
  intervalPage_->setObjectName(QStringLiteral("legendIntervalPage"));
  bottomPage_->setObjectName(QStringLiteral("legendBottomPage"));
  legend_ = new LegendGrids(settings_, intervalPage_);
  (new QVBoxLayout(intervalPage_))->addWidget(legend_->intervalTable());
  (new QVBoxLayout(bottomPage_))->addWidget(legend_->bottomTable());
  tabs_->addTab(drawing_, U(ui_text::kTabDrawing));
  tabs_->addTab(fgd_, U(ui_text::kTabFgd));
  tabs_->addTab(ksj_, U(ui_text::kTabKsj));
  tabs_->addTab(kkj_, U(ui_text::kTabKkj));
  tabs_->addTab(intervalPage_, U(ui_text::kTabLegendInterval));
  tabs_->addTab(bottomPage_, U(ui_text::kTabLegendBottom));
  setCentralWidget(tabs_);
  connectDrawingTab();
  connectLayerTabs();
  connectLegend();
}

// The grids follow the division when the user turns to another page, after a
// file was read and before one is written; a job shows the legends it used.
void MainWindow::connectLegend() {
  LegendControls* controls = drawing_->legendControls();
  ConnectLegendWidgets(*legend_, *controls);
  connect(tabs_, &QTabWidget::currentChanged, this, [this] { legend_->RebuildLegendGrids(); });
  connect(this, &MainWindow::settingsReplaced, this, &MainWindow::refreshLegendGrids);
  // In manual mode the two "設定" buttons lead to the grid of their value.
  connect(controls, &LegendControls::intervalSetRequested, this,
          [this] { tabs_->setCurrentWidget(intervalPage_); });
  connect(controls, &LegendControls::bottomSetRequested, this, [this] { tabs_->setCurrentWidget(bottomPage_); });
}

// A division that is no whole number keeps the grids' layout; they show the
// record's cells all the same.
void MainWindow::refreshLegendGrids() {
  if (!legend_->RebuildLegendGrids()) legend_->ShowSettingsCells();
}

void MainWindow::connectDrawingTab() {
  const DrawingSettingsTab::ActionButtons& b = drawing_->buttons();
  connect(b.load, &QPushButton::clicked, this, &MainWindow::loadSettings);
  connect(b.save, &QPushButton::clicked, this, &MainWindow::saveSettings);
  connect(b.start, &QPushButton::clicked, this, [this] { startJob(); });
  connect(b.pickOnMap, &QPushButton::clicked, this, &MainWindow::openRangeWindow);
  connect(b.gridpack, &QPushButton::clicked, this, &MainWindow::startGridpack);
  connect(b.expand, &QPushButton::clicked, this, [this] {
    startCompanion(kExpandProgram, {QString::fromStdString(ExpandArgument(settings_.meshfolder))});
  });
  connect(b.manual, &QPushButton::clicked, this, &MainWindow::openManual);
  connect(b.version, &ModifierButton::clickedWith, this, &MainWindow::versionPressed);
  for (size_t i = 0; i < b.links.size(); ++i)
    connect(b.links[i], &QPushButton::clicked, this,
            [this, i] { desktop_.open(QString::fromStdString(links_[i])); });
  connect(b.writeFolder, &QPushButton::clicked, this, [this] { pickFolder(&JobSettings::writefolder); });
  connect(b.meshFolder, &ModifierButton::clickedWith, this, [this](Qt::KeyboardModifiers m) {
    sourceFolderPressed(m, &JobSettings::meshfolder, ui_text::kMeshFolderLabel, ElevationListingMasks(settings_));
  });
  connect(b.fgdTab, &QPushButton::clicked, this, [this] { tabs_->setCurrentWidget(fgd_); });
  connect(b.background, &QPushButton::clicked, this, [this] { editLayerStyle(LayerRef::background()); });
  connect(drawing_->meshSwitch(), &ColourCheckBox::styleRequested, this,
          [this] { editLayerStyle(LayerRef::mesh()); });
  // A new map name proposes itself as the name of the saved file.
  connect(drawing_, &DrawingSettingsTab::mapNameEdited, this,
          [this] { saveName_ = QString::fromStdString(settings_.namae) + ".pxj"; });
}

void MainWindow::connectLayerTabs() {
  const std::vector<std::string> xml{"*.xml"};
  connect(fgd_, &LayerTreeTab::folderButtonPressed, this, [this, xml](Qt::KeyboardModifiers m) {
    sourceFolderPressed(m, &JobSettings::readfolder, ui_text::kFgdFolderLabel, xml);
  });
  connect(ksj_, &KsjThemeTab::folderButtonPressed, this, [this, xml](Qt::KeyboardModifiers m) {
    sourceFolderPressed(m, &JobSettings::syoufolder, ui_text::kKsjFolderLabel, xml);
  });
  connect(kkj_, &LayerTreeTab::folderButtonPressed, this, [this, xml](Qt::KeyboardModifiers m) {
    sourceFolderPressed(m, &JobSettings::kkjfolder, ui_text::kKkjFolderLabel, xml);
  });
  connect(fgd_, &LayerTreeTab::expandArchivesRequested, this, [this] {
    startCompanion(kExpandProgram, {QString::fromStdString(ExpandArgument(settings_.readfolder, "/基盤地図情報"))});
  });
  connect(ksj_, &KsjThemeTab::expandArchivesRequested, this, [this] {
    startCompanion(kExpandProgram, {QString::fromStdString(ExpandArgument(settings_.syoufolder, "/国土数値情報"))});
  });
  connect(kkj_, &LayerTreeTab::expandArchivesRequested, this, [this] {
    startCompanion(kExpandProgram, {QString::fromStdString(ExpandArgument(settings_.kkjfolder, "/国土基本情報"))});
  });
  connect(fgd_, &LayerTreeTab::presetRequested, this, [this] { loadPreset(kFgdPresetFile); });
  connect(ksj_, &KsjThemeTab::presetRequested, this, [this] { loadPreset(kKsjPresetFile); });
  connect(kkj_, &LayerTreeTab::presetRequested, this, [this] { loadPreset(kKkjPresetFile); });
  connect(fgd_, &LayerTreeTab::styleRequested, this, &MainWindow::editLayerStyle);
  connect(ksj_, &KsjThemeTab::styleRequested, this, &MainWindow::editLayerStyle);
  connect(kkj_, &LayerTreeTab::styleRequested, this, &MainWindow::editLayerStyle);
}

bool MainWindow::startUp(const QString& jobFile) {
  StartupResult start = StartupSettings(Path(programFolder_));
  settings_ = std::move(start.settings);
  drawing_->setElevationCaptions();
  ksj_->buildThemes();
  showMessages(start.messages);
  if (start.terminate) return false;
  if (start.usable) {
    std::vector<CatalogueMessage> linkMessages;
    links_ = LoadMapLinks(Path(programFolder_), linkMessages);
    showMessages(linkMessages);
    settings_.iro = 6;
    const std::string lastDraw = LastDrawPath();  // creates its folder when missing
    if (!jobFile.isEmpty()) {
      loadSettingsFile(jobFile);
    } else if (std::filesystem::exists(lastDraw)) {
      ReadSettings(settings_, lastDraw);
    }
  }
  showSettings();
  updateTitle();
  return true;
}

void MainWindow::showSettings() {
  drawing_->showSettings();
  fgd_->showSettings();
  ksj_->showSettings();
  kkj_->showSettings();
  emit settingsReplaced();
}

void MainWindow::updateTitle() {
  setWindowTitle(titleFile_.isEmpty() ? programTitle() : programTitle() + " - " + titleFile_);
}

void MainWindow::showMessages(const std::vector<CatalogueMessage>& messages) {
  for (const CatalogueMessage& m : messages)
    desktop_.ask(this, QString::fromStdString(m.title), QString::fromStdString(m.text), Buttons::Ok);
}

void MainWindow::warn(const QString& text) { desktop_.ask(this, U(ui_text::kWarningTitle), text, Buttons::Ok); }

bool MainWindow::isPreset(const QString& fileName) const {
  for (const char* preset : {kClearPresetFile, kFgdPresetFile, kKsjPresetFile, kKkjPresetFile})
    if (fileName == U(preset)) return true;
  return false;
}

bool MainWindow::loadSettingsFile(const QString& path) {
  if (!QFileInfo(path).isFile() || !ReadSettings(settings_, Path(path))) {
    warn(U(ui_text::kCannotRead) + path);
    return false;
  }
  const QFileInfo info(path);
  if (!isPreset(info.fileName())) {
    // The next save proposes the loaded file's name, as a job file, beside it.
    saveFolder_ = WritableOrHome(info.absolutePath());
    saveName_ = info.completeBaseName() + ".pxj";
  }
  titleFile_ = saveName_;
  drawing_->showSettings(true);
  fgd_->showSettings();
  ksj_->showSettings();
  kkj_->showSettings();
  emit settingsReplaced();
  updateTitle();
  return true;
}

bool MainWindow::saveSettingsFile(const QString& path) {
  refreshLegendGrids();
  std::string error;
  if (!WriteSettings(settings_, Path(path), &error)) {
    warn(U(ui_text::kCannotWrite) + path + "\n" + QString::fromStdString(error));
    return false;
  }
  const QFileInfo info(path);
  openFolder_ = info.absolutePath();
  saveFolder_ = info.absolutePath();
  saveName_ = titleFile_ = info.fileName();
  updateTitle();
  return true;
}

void MainWindow::loadSettings() {
  const QString path =
      desktop_.openFileName(this, U(ui_text::kOpenSettingsTitle), openFolder_, U(ui_text::kOpenSettingsFilter));
  if (!path.isEmpty()) loadSettingsFile(path);
}

void MainWindow::saveSettings() {
  const QString proposed = QDir(saveFolder_).filePath(saveName_);
  QString path = desktop_.saveFileName(this, U(ui_text::kSaveSettingsTitle), proposed, U(ui_text::kSaveSettingsFilter));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += ".pxj";
  saveSettingsFile(path);
}

void MainWindow::loadPreset(const char* fileName) {
  const QString path = programFolder_ + U(fileName);
  if (!QFileInfo(path).isFile()) {
    warn(path + U(catalogue_messages::kFileMissing));
    return;
  }
  ReadSettings(settings_, Path(path));
  drawing_->showSettings(true);
  fgd_->showSettings();
  ksj_->showSettings();
  kkj_->showSettings();
  emit settingsReplaced();
}

StartOutcome MainWindow::startJob() {
  if (running_) return StartOutcome::Refused;
  running_ = true;
  statusBar()->clearMessage();
  JobContext job(settings_, *processing_, cells_);
  job.programFolder = Path(programFolder_);
  processing_->attach(&job);
  const StartResult result = StartJob(job, DefaultDriverCalls(), LastDrawPath());
  processing_->attach(nullptr);
  // Validation fits the legend grids to the tile grid and the automatic
  // legend fills them in; the grids show the values the job used.
  settings_.legendInterval = job.settings.legendInterval;
  settings_.legendBottom = job.settings.legendBottom;
  legend_->ShowSettingsCells();
  // A raised memory budget lasts for one job.
  if (result.outcome != StartOutcome::Refused) memory_->Reset();
  running_ = false;
  switch (result.outcome) {
    case StartOutcome::Aborted: statusBar()->showMessage(U(ui_text::kAborted)); break;
    case StartOutcome::Failed: statusBar()->showMessage(U(ui_text::kFailed)); break;
    case StartOutcome::Finished: statusBar()->showMessage(U(ui_text::kFinished)); break;
    case StartOutcome::Refused: break;
  }
  emit jobEnded(result.outcome);
  if (endRequested_) close();
  return result.outcome;
}

void MainWindow::endOnRequest() {
  RejectOpenDialogs(processing_);
  if (running_) {
    endRequested_ = true;
    processing_->requestAbort();
    return;
  }
  close();
}

void MainWindow::openRangeWindow() {
  if (running_) return;
  SilentHost quiet;
  JobContext job(settings_, quiet, cells_);
  job.programFolder = Path(programFolder_);
  const std::string problems = ValidateJob(job);
  if (!problems.empty()) {
    desktop_.ask(this, U(msg::kCheckSettingsTitle), QString::fromStdString(problems), Buttons::Ok);
    return;
  }
  RangeWindow window(job, this);
  window.setMessageSink([this](const char* title, const char* text) {
    desktop_.ask(this, U(title), U(text), Buttons::Ok);
  });
  if (window.exec() != QDialog::Accepted) return;
  // Written twice: the first writing lets the window recompute what follows
  // from the fields (read-out, overlap control), the second makes sure the
  // fields hold the choice itself.
  showChosenRange(window.choice());
  QApplication::processEvents();
  showChosenRange(window.choice());
}

void MainWindow::showChosenRange(const RangeChoice& choice) {
  ApplyRangeChoice(settings_, choice);
  drawing_->showSettings();
}

void MainWindow::editLayerStyle(const LayerRef& layer) {
  if (!LayerRefValid(settings_, layer)) return;
  const LayerStyle current = StyleOf(settings_, layer);
  LineStyle style{static_cast<Colour>(current.colour) & 0xFFFFFF, current.widthIndex, current.sizeIndex};
  if (!lineStyle_->edit(style, StyleCaption(settings_, layer))) return;
  ApplyLayerStyle(settings_, layer,
                  {static_cast<int32_t>(style.colour), static_cast<uint8_t>(style.widthIndex),
                   static_cast<uint8_t>(style.sizeIndex)});
  fgd_->refreshNodes();
  kkj_->refreshNodes();
  ksj_->showSettings();
  drawing_->showSettings();
}

void MainWindow::openMemoryBudget() {
  if (running_) return;
  // On OK the dialog re-sizes cellBuffer() itself.
  memory_->exec();
}

void MainWindow::versionPressed(Qt::KeyboardModifiers m) {
  const bool ctrl = m & Qt::ControlModifier, alt = m & Qt::AltModifier, shift = m & Qt::ShiftModifier;
  if (ctrl && alt && !shift) {
    openMemoryBudget();
  } else if (shift && alt) {
    askUninstall();
  } else if (ctrl) {
    desktop_.setClipboardText(FolderListing(programTitle(), U(ui_text::kFgdFolderLabel), settings_.readfolder,
                                            {"*.xml", "*.zip"}, settings_.subfolder));
  } else {
    desktop_.ask(this, programTitle(), programTitle() + "\r\n\r\n" + U(ui_text::kAboutText), Buttons::Ok);
  }
}

// Removes the folder of LastDraw.pxj, for a complete uninstall.
void MainWindow::askUninstall() {
  if (desktop_.ask(this, U(ui_text::kUninstallTitle), U(ui_text::kUninstallQuestion), Buttons::YesNo) != Answer::Yes)
    return;
  std::error_code ec;
  std::filesystem::remove_all(std::filesystem::path(LastDrawPath()).parent_path(), ec);
}

void MainWindow::sourceFolderPressed(Qt::KeyboardModifiers m, std::string JobSettings::*folder, const char* label,
                                     const std::vector<std::string>& masks) {
  if (!(m & Qt::ControlModifier)) {
    pickFolder(folder);
    return;
  }
  const std::string& path = settings_.*folder;
  desktop_.setClipboardText(FolderListing(programTitle(), U(label), path, masks, settings_.subfolder));
  if (!std::filesystem::is_directory(path)) warn(U(ui_text::kFolderMissing) + QString::fromStdString(path));
}

void MainWindow::pickFolder(std::string JobSettings::*folder) {
  const QString current = QString::fromStdString(settings_.*folder);
  const QString start = current.isEmpty() ? programFolder_ : current;
  const QString chosen = desktop_.pickFolder(this, U(ui_text::kPickFolderTitle), start);
  if (chosen.isEmpty()) return;
  settings_.*folder = Path(chosen);
  drawing_->showSettings();
  fgd_->folderEdit()->setText(QString::fromStdString(settings_.readfolder));
  ksj_->folderEdit()->setText(QString::fromStdString(settings_.syoufolder));
  kkj_->folderEdit()->setText(QString::fromStdString(settings_.kkjfolder));
}

// "メッシュ変換": the mosaic of the elevation folder, written where the user
// chooses (the elevation folder by default).
void MainWindow::startGridpack() {
  if (companionPath(kGridpackProgram).isEmpty()) return;
  const QString folder = QString::fromStdString(ExpandArgument(settings_.meshfolder));
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
    warn(U(ui_text::kMeshFolderMissing) + folder);
    return;
  }
  const QString out = desktop_.saveFileName(this, U(ui_text::kGridpackSaveTitle), folder + "/mosaic.tif",
                                            U(ui_text::kGridpackSaveFilter));
  if (out.isEmpty()) return;
  startCompanion(kGridpackProgram, {folder, out});
}

// The companion program's path, or empty after telling the user it is missing.
QString MainWindow::companionPath(const char* program) {
  const QString path = programFolder_ + U(program);
  const QFileInfo info(path);
  if (info.isFile() && info.isExecutable()) return path;
  warn(U(ui_text::kProgramMissingPrefix) + U(program) + U(ui_text::kProgramMissingMiddle) + programFolder_ +
       U(ui_text::kProgramMissingSuffix));
  return {};
}

void MainWindow::startCompanion(const char* program, const QStringList& arguments) {
  const QString path = companionPath(program);
  if (path.isEmpty()) return;
  const QString name = U(program);
  QPointer<MainWindow> self(this);
  const bool started = desktop_.startProgram(path, arguments, [self, name](const ProgramEnd& end) {
    if (self) self->companionEnded(name, end);
  });
  if (!started) {
    warn(name + U(ui_text::kProgramNotStarted));
    return;
  }
  statusBar()->showMessage(name + U(ui_text::kProgramRunning));
}

// A companion program that stopped with an error shows why, in its own words.
void MainWindow::companionEnded(const QString& program, const ProgramEnd& end) {
  if (!end.crashed && end.exitCode == 0) {
    statusBar()->showMessage(program + U(ui_text::kProgramDone));
    return;
  }
  statusBar()->clearMessage();
  const QString what = end.crashed ? program + U(ui_text::kProgramCrashed)
                                   : program + U(ui_text::kProgramExitPrefix) + QString::number(end.exitCode) +
                                         U(ui_text::kProgramExitSuffix);
  desktop_.ask(this, program, end.output.isEmpty() ? what : what + "\r\n\r\n" + end.output, Buttons::Ok);
}

void MainWindow::openManual() {
  const QString path = programFolder_ + U(kManualFile);
  if (!QFileInfo(path).isFile()) {
    warn(U(ui_text::kManualMissing) + path);
    return;
  }
  desktop_.open(path);
}

}  // namespace velkaro
