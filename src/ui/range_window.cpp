#include "ui/range_window.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "job/cell_buffer.h"
#include "job/coordinates.h"
#include "job/mesh_codes.h"
#include "job/messages.h"
#include "ui/dialog_messages.h"
#include "ui/range_map_view.h"

namespace velkaro {
namespace {

constexpr int kMaxRows = 18277;
constexpr int kMaxColumns = 256;

QSpinBox* MakeSpin(int minimum, int maximum, int value, QWidget* parent) {
  auto* spin = new QSpinBox(parent);
  spin->setRange(minimum, maximum);
  spin->setValue(std::clamp(value, minimum, maximum));
  return spin;
}

void ProcessPendingEvents() { QApplication::processEvents(); }

}  // namespace

RangeWindow::RangeWindow(JobContext& job, QWidget* parent)
    : QDialog(parent),
      job_(job),
      store_(job.cells.data(), job.cells.budget()),
      messages_([this](const char* title, const char* text) { QMessageBox::warning(this, title, text); }),
      view_(new RangeMapView(job.coords, this)),
      level_(new QComboBox(this)),
      rows_(MakeSpin(1, kMaxRows, job.grid.rows, this)),
      cols_(MakeSpin(1, kMaxColumns, job.grid.cols, this)),
      overlap_(MakeSpin(0, 50, job.settings.kasane, this)),
      overlapLabel_(new QLabel(dialog_msg::kOverlap, this)),
      readout_(new QLabel(this)),
      decide_(new QPushButton(dialog_msg::kDecideRange, this)),
      cancel_(new QPushButton(dialog_msg::kCancel, this)) {
  setWindowTitle(dialog_msg::kRangeCaption);
  for (const char* item : dialog_msg::kLevelItems) level_->addItem(item);
  level_->setCurrentIndex(5);
  view_->setDisplayLevel(5);
  view_->setLatFactor(1.0);
  view_->setBudget(BudgetInputOf(job));
  view_->setDivision({rows_->value(), cols_->value(), overlap_->value()});
  view_->setSelection(Normalised({job.area.west, job.area.east, job.area.south, job.area.north}));
  buildLayout();
  if (const QScreen* screen = QApplication::primaryScreen()) {
    const QRect available = screen->availableGeometry();
    resize(available.width() * 95 / 100, available.height() * 90 / 100);
  }
  connect(view_, &RangeMapView::selectionChanged, this, &RangeWindow::updateReadout);
  connect(rows_, &QSpinBox::valueChanged, this, &RangeWindow::divisionChanged);
  connect(cols_, &QSpinBox::valueChanged, this, &RangeWindow::divisionChanged);
  connect(overlap_, &QSpinBox::valueChanged, this, &RangeWindow::divisionChanged);
  connect(level_, &QComboBox::currentIndexChanged, this, &RangeWindow::levelChanged);
  connect(decide_, &QPushButton::clicked, this, &RangeWindow::decide);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  divisionChanged();
}

void RangeWindow::buildLayout() {
  auto* controls = new QHBoxLayout;
  controls->addWidget(new QLabel(dialog_msg::kDisplayLevel, this));
  controls->addWidget(level_);
  controls->addSpacing(16);
  controls->addWidget(new QLabel(dialog_msg::kRows, this));
  controls->addWidget(rows_);
  controls->addWidget(new QLabel(dialog_msg::kColumns, this));
  controls->addWidget(cols_);
  controls->addWidget(overlapLabel_);
  controls->addWidget(overlap_);
  controls->addSpacing(16);
  controls->addWidget(readout_, 1);
  controls->addWidget(decide_);
  controls->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(view_, 1);
  layout->addLayout(controls);
  decide_->setDefault(true);
}

void RangeWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  decide_->setFocus();
  if (!loaded_) QMetaObject::invokeMethod(this, &RangeWindow::loadBoundaries, Qt::QueuedConnection);
}

void RangeWindow::enterEvent(QEnterEvent* event) {
  QDialog::enterEvent(event);
  decide_->setFocus();
}

PlaneBox RangeWindow::dataView() const {
  const gml::GeoBox& box = store_.box;
  if (box.empty()) {
    // Without data the view shows the selection and its surroundings.
    PlaneBox s = view_->selection();
    const double margin = std::max({s.width(), s.height(), job_.coords.latLonMode ? 0.01 : 1000.0 * job_.coords.unitScale});
    return {s.west - margin, s.east + margin, s.south - margin, s.north + margin};
  }
  const PlaneXY sw = bltoxy(job_.coords, box.minLon, box.minLat);
  const PlaneXY ne = bltoxy(job_.coords, box.maxLon, box.maxLat);
  return {sw.y, ne.y, sw.x, ne.x};
}

void RangeWindow::loadBoundaries() {
  loaded_ = true;
  showingRoads_ = false;
  store_.clear();
  std::string element;
  const std::vector<std::string> files =
      BoundaryFiles(job_.settings.readfolder, job_.settings.subfolder, &element);
  if (files.empty()) {
    view_->setBoundaries(store_);
    view_->setView(dataView());
    messages_(dialog_msg::kNoBoundariesTitle, dialog_msg::kNoBoundaries);
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool full = false;
  for (const std::string& path : files) {
    // An unreadable file leaves a gap in the map; the others still show.
    if (ReadBoundaryFile(path, element, store_, ProcessPendingEvents) == BoundaryRead::Full) {
      full = true;
      break;
    }
  }
  QApplication::restoreOverrideCursor();
  if (job_.coords.latLonMode && !store_.box.empty())
    view_->setLatFactor(std::cos((store_.box.minLat + store_.box.maxLat) / 2 * M_PI / 180));
  view_->setBoundaries(store_);
  view_->setView(dataView());
  if (full) messages_(dialog_msg::kBufferFullTitle, dialog_msg::kBufferFull);
}

void RangeWindow::loadRoads() {
  showingRoads_ = true;
  const PlaneBox v = view_->view();
  const double dw = v.width() / 2, dh = v.height() / 2;
  const TileGeoBox geo = GeoBoxOfPlaneRect(job_.coords, v.west - dw, v.east + dw, v.north + dh, v.south - dh);
  std::vector<std::string> codes;
  AppendMeshCodes(codes, geo, 6);
  for (std::string& code : codes)
    if (!code.empty() && code.front() == '-') code.erase(0, 1);
  const std::vector<std::string> files = RoadFiles(job_.settings.readfolder, job_.settings.subfolder, codes);
  store_.clear();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QProgressDialog progress(this);
  progress.setRange(0, static_cast<int>(files.size()));
  progress.setCancelButton(nullptr);
  progress.setMinimumDuration(500);
  bool full = false;
  for (size_t i = 0; i < files.size() && !full; ++i) {
    progress.setValue(static_cast<int>(i));
    full = ReadBoundaryFile(files[i], "RdEdg", store_, ProcessPendingEvents) == BoundaryRead::Full;
  }
  progress.setValue(static_cast<int>(files.size()));
  QApplication::restoreOverrideCursor();
  view_->setRoads(store_);
  if (full) messages_("", dialog_msg::kTooManyRoads);
}

void RangeWindow::levelChanged(int index) {
  const bool roads = index == kBoundaryLevels;
  if (roads && !showingRoads_) loadRoads();
  else if (!roads && showingRoads_) loadBoundaries();
  view_->setDisplayLevel(index);
}

void RangeWindow::divisionChanged() {
  const bool severalTiles = rows_->value() * cols_->value() > 1;
  overlap_->setVisible(severalTiles);
  overlapLabel_->setVisible(severalTiles);
  view_->setDivision({rows_->value(), cols_->value(), overlap_->value()});
}

void RangeWindow::updateReadout() {
  const TileGrid& g = view_->grid();
  const double scale = job_.coords.latLonMode ? 1 : job_.coords.unitScale;
  readout_->setText(QString("%1%2%3%4")
                        .arg(msg::kReadoutHeight)
                        .arg(g.tileHeight / scale, 0, 'g', 8)
                        .arg(msg::kReadoutWidth)
                        .arg(g.tileWidth / scale, 0, 'g', 8));
  QPalette p = readout_->palette();
  p.setColor(QPalette::WindowText, view_->fits() ? QColor(0, 128, 0) : QColor(255, 0, 0));
  readout_->setPalette(p);
}

void RangeWindow::decide() {
  choice_ = DecideRange(Normalised(view_->selection()), view_->division(), job_.coords.latLonMode,
                        job_.coords.unitScale);
  accept();
}

void RangeWindow::keyPressEvent(QKeyEvent* event) {
  const QPointF at = view_->underMouse() ? view_->mapFromGlobal(QCursor::pos()).toPointF()
                                         : QPointF(view_->width() / 2.0, view_->height() / 2.0);
  if (event->key() == Qt::Key_I && event->modifiers() == Qt::NoModifier) {
    view_->zoomAt(at, 0.9);
    return;
  }
  if (event->key() == Qt::Key_O && event->modifiers() == Qt::NoModifier) {
    view_->zoomAt(at, 1 / 0.9);
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace velkaro
