#pragma once
// The main window: it holds the one JobSettings record of the program (every
// tab edits it in place), the elevation cell pool and the link addresses,
// and carries out the actions of its buttons: loading and saving settings,
// starting a job in the processing window, folder pickers, presets, links,
// the manual, the version button and the companion programs.

#include <QMainWindow>
#include <QString>

#include "job/cell_buffer.h"
#include "job/job_settings.h"
#include "run/start_action.h"
#include "ui/layer_style.h"
#include "ui/range_logic.h"
#include "catalogue/catalogue_loader.h"

class QTabWidget;

namespace velkaro {

class Desktop;
class DrawingSettingsTab;
class KsjThemeTab;
class LayerTreeTab;
class LegendGrids;
class LineStyleDialog;
class MemoryBudgetDialog;
class ProcessingWindow;
struct ProgramEnd;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // programFolder ends with "/"; it holds the definition files, presets, link
  // file and companion programs.
  MainWindow(const QString& programFolder, Desktop& desktop, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Start-up: catalogue, links, defaults, then the settings file named on the
  // command line or else LastDraw.pxj. False when the program must end.
  bool startUp(const QString& jobFile = {});

  JobSettings& settings() { return settings_; }
  CellBuffer& cellBuffer() { return cells_; }
  const MapLinks& links() const { return links_; }
  QString programTitle() const;
  QString programFolder() const { return programFolder_; }

  // Reading and writing a settings file as the load and save buttons do,
  // without their dialogs.
  bool loadSettingsFile(const QString& path);
  bool saveSettingsFile(const QString& path);

  QTabWidget* tabs() const { return tabs_; }
  DrawingSettingsTab* drawingTab() const { return drawing_; }
  LayerTreeTab* fgdTab() const { return fgd_; }
  KsjThemeTab* ksjTab() const { return ksj_; }
  LayerTreeTab* kkjTab() const { return kkj_; }
  QWidget* legendIntervalPage() const { return intervalPage_; }
  QWidget* legendBottomPage() const { return bottomPage_; }
  LegendGrids* legendGrids() const { return legend_; }
  ProcessingWindow* processingWindow() const { return processing_; }
  LineStyleDialog* lineStyleDialog() const { return lineStyle_; }
  MemoryBudgetDialog* memoryBudgetDialog() const { return memory_; }
  bool jobRunning() const { return running_; }

 public slots:
  void loadSettings();
  void saveSettings();
  // "処理開始": validation, start checks, the run in the processing window,
  // the report; returns how it ended.
  StartOutcome startJob();
  // "地図で指定": validation, then the range selection window; its choice
  // goes into the area and division fields.
  void openRangeWindow();
  // The line style dialog for a layer, a check box or the background colour;
  // on OK the style goes into the record and every control showing it.
  void editLayerStyle(const velkaro::LayerRef& layer);
  // The memory budget dialog (version button with Ctrl + Alt).
  void openMemoryBudget();
  // Every tab shows the record again.
  void showSettings();
  // A polite kill (SIGTERM): a running job is aborted as with "中　断" and
  // the window closes once the job has wound down; an idle window closes as
  // with its close button. Open dialogs and message boxes are answered as
  // with Escape first, so nothing waits for a person who is not there.
  void endOnRequest();

 signals:
  // After a file was read or a job ended: pages that show the record (the
  // legend grids) refresh from settings().
  void settingsReplaced();
  void jobEnded(velkaro::StartOutcome outcome);

 private:
  void buildTabs();
  void connectDrawingTab();
  void connectLayerTabs();
  void connectLegend();
  void updateTitle();
  void showMessages(const std::vector<CatalogueMessage>& messages);
  void warn(const QString& text);
  void versionPressed(Qt::KeyboardModifiers modifiers);
  void askUninstall();
  void sourceFolderPressed(Qt::KeyboardModifiers modifiers, std::string JobSettings::*folder,
                           const char* label, const std::vector<std::string>& masks);
  void pickFolder(std::string JobSettings::*folder);
  void loadPreset(const char* fileName);
  void refreshLegendGrids();
  void showChosenRange(const RangeChoice& choice);
  void startGridpack();
  QString companionPath(const char* program);
  void startCompanion(const char* program, const QStringList& arguments);
  void companionEnded(const QString& program, const ProgramEnd& end);
  void openManual();
  bool isPreset(const QString& fileName) const;

  QString programFolder_;
  Desktop& desktop_;
  JobSettings settings_;
  CellBuffer cells_;
  MapLinks links_;
  QString openFolder_;
  QString saveFolder_;
  QString saveName_;   // proposed name of the save dialog; names the window
  QString titleFile_;  // file shown in the window title
  bool running_ = false;
  bool endRequested_ = false;  // close once the running job has ended

  QTabWidget* tabs_ = nullptr;
  DrawingSettingsTab* drawing_ = nullptr;
  LayerTreeTab* fgd_ = nullptr;
  KsjThemeTab* ksj_ = nullptr;
  LayerTreeTab* kkj_ = nullptr;
  QWidget* intervalPage_ = nullptr;
  QWidget* bottomPage_ = nullptr;
  LegendGrids* legend_ = nullptr;
  LineStyleDialog* lineStyle_ = nullptr;
  ProcessingWindow* processing_ = nullptr;
  MemoryBudgetDialog* memory_ = nullptr;
};

}  // namespace velkaro
