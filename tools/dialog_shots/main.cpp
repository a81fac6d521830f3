// velkaro-dialog-shots OUTDIR [SAMPLE_DIR]: grabs every dialog of the desktop
// program, and the main window with its drawing-settings and legend pages,
// into PNG files, for looking at them without running the whole
// program. SAMPLE_DIR is a folder written by velkaro-sample (its FGD layers
// give the range window its boundaries).

#include <QApplication>
#include <QCheckBox>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <string>

#include "job/cell_buffer.h"
#include "job/coordinates.h"
#include "job/job_context.h"
#include "job/job_host.h"
#include "ui/desktop.h"
#include "ui/legend_controls.h"
#include "ui/legend_grids.h"
#include "ui/main_window.h"
#include "ui/line_style_dialog.h"
#include "ui/memory_budget_dialog.h"
#include "ui/range_map_view.h"
#include "ui/range_window.h"

using namespace velkaro;

namespace {

void Save(QWidget& w, const QString& path) {
  w.grab().save(path);
  std::printf("%s\n", path.toUtf8().constData());
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: velkaro-dialog-shots OUTDIR [SAMPLE_DIR]\n");
    return 3;
  }
  const QString out = QString::fromLocal8Bit(argv[1]) + "/";

  // The main window as the program shows it, in manual legend mode with a
  // 4 x 2 tile grid and a block pasted into each grid.
  QtDesktop desktop;
  MainWindow window(QCoreApplication::applicationDirPath() + "/", desktop);
  window.startUp();
  window.settings().tatediv = "4";
  window.settings().yokodiv = "2";
  window.settings().jido = false;
  window.settings().shadow = true;
  window.showSettings();
  window.resize(1400, 960);
  window.show();
  Save(window, out + "main_window.png");
  window.tabs()->setCurrentWidget(window.legendIntervalPage());
  window.legendGrids()->intervalTable()->setCurrentCell(1, 1);
  window.legendGrids()->intervalTable()->pasteText("20\t50\r\n10\t5\r\n");
  Save(window, out + "main_legend_interval.png");
  window.tabs()->setCurrentWidget(window.legendBottomPage());
  window.legendGrids()->bottomTable()->setCurrentCell(1, 1);
  window.legendGrids()->bottomTable()->pasteText("0\t-5\r\n100\t7.5\r\n");
  Save(window, out + "main_legend_bottom.png");
  window.hide();

  JobSettings settings;
  settings.tatediv = "4";
  settings.yokodiv = "2";
  QTabWidget tabs;
  LegendGrids grids(settings, &tabs);
  grids.RebuildLegendGrids();
  grids.intervalTable()->pasteText("100\t100\r\n50\t50\r\n");
  tabs.addTab(grids.intervalTable(), "標高凡例間隔");
  tabs.addTab(grids.bottomTable(), "標高凡例最下面");
  tabs.resize(420, 200);
  tabs.show();
  Save(tabs, out + "legend_interval.png");
  tabs.setCurrentIndex(1);
  Save(tabs, out + "legend_bottom.png");

  LegendControls controls(settings);
  controls.hillshadeBox()->setChecked(true);
  controls.show();
  Save(controls, out + "legend_controls.png");
  controls.automaticBox()->setChecked(false);
  Save(controls, out + "legend_controls_manual.png");

  LineStyleDialog style;
  style.setStyle({MakeColour(0, 0, 255), 2, 12});
  style.show();
  Save(style, out + "line_style.png");

  CellBuffer pool;
  MemoryBudgetDialog memory(pool);
  memory.show();
  Save(memory, out + "memory_budget.png");

  SilentHost host;
  JobSettings rangeSettings;
  if (argc > 2) rangeSettings.readfolder = argv[2];
  JobContext job(rangeSettings, host, pool);
  SetZoneNumber(job.coords, 9, 1);
  job.settings.alti[3] = true;
  job.elevation.cellSizeX = job.elevation.cellSizeY = 250;
  RangeWindow range(job);
  range.setMessageSink([](const char* title, const char* text) { std::fprintf(stderr, "%s: %s\n", title, text); });
  range.resize(1000, 700);
  range.show();
  range.loadBoundaries();
  RangeMapView* view = range.mapView();
  const PlaneBox v = view->view();
  view->setSelection({v.west + v.width() * 0.3, v.west + v.width() * 0.6, v.south + v.height() * 0.3,
                      v.south + v.height() * 0.7});
  range.rowsField()->setValue(2);
  range.colsField()->setValue(2);
  Save(range, out + "range_window.png");
  view->setMeshShown(true);
  Save(range, out + "range_window_mesh.png");
  view->setMeshShown(false);
  view->setSelection({v.west, v.east + 9e5, v.south, v.north + 9e5});
  Save(range, out + "range_window_red.png");
  return 0;
}
