#include "ui/processing_window.h"

#include <utility>

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

#include "run/run_messages.h"
#include "ui/desktop.h"
#include "ui/ui_messages.h"

namespace velkaro {
namespace {

// A new frame is put on screen at most this often; converting a large frame
// for every drawing pass would slow the job down.
constexpr qint64 kFrameIntervalMs = 250;

QLabel* RoleLabel(Qt::Alignment align, int pointSize = 0) {
  auto* l = new QLabel;
  l->setAlignment(align | Qt::AlignVCenter);
  l->setTextInteractionFlags(Qt::NoTextInteraction);
  // Long file names are cut at the window's edge instead of widening it.
  l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  l->setMinimumWidth(40);
  if (pointSize > 0) {
    QFont f = l->font();
    f.setPointSize(pointSize);
    l->setFont(f);
  }
  return l;
}

}  // namespace

ProcessingWindow::ProcessingWindow(Desktop& desktop, QWidget* parent) : QDialog(parent), desktop_(desktop) {
  setWindowTitle(QString::fromUtf8(ui_text::kProcessingTitle));
  setModal(true);
  setWindowModality(Qt::ApplicationModal);

  labels_[LabelRole::Title] = RoleLabel(Qt::AlignHCenter, 14);
  labels_[LabelRole::Numerator] = RoleLabel(Qt::AlignHCenter, 14);
  labels_[LabelRole::Denominator] = RoleLabel(Qt::AlignHCenter, 14);
  labels_[LabelRole::Group] = RoleLabel(Qt::AlignRight);
  labels_[LabelRole::Detail] = RoleLabel(Qt::AlignLeft);
  labels_[LabelRole::FileHeading] = RoleLabel(Qt::AlignRight);
  labels_[LabelRole::FileName] = RoleLabel(Qt::AlignLeft);
  labels_[LabelRole::Title]->setAccessibleName(QString::fromUtf8(msg::kFileCountTitle));

  auto* rule = new QFrame;
  rule->setFrameShape(QFrame::HLine);
  auto* counter = new QVBoxLayout;
  counter->addWidget(labels_[LabelRole::Title]);
  counter->addWidget(labels_[LabelRole::Numerator]);
  counter->addWidget(rule);
  counter->addWidget(labels_[LabelRole::Denominator]);

  auto* texts = new QGridLayout;
  texts->addWidget(labels_[LabelRole::Group], 0, 0);
  texts->addWidget(labels_[LabelRole::Detail], 0, 1);
  texts->addWidget(labels_[LabelRole::FileHeading], 1, 0);
  texts->addWidget(labels_[LabelRole::FileName], 1, 1);
  texts->setColumnStretch(0, 1);
  texts->setColumnStretch(1, 3);

  abort_ = new QPushButton(QString::fromUtf8(msg::kAbortButton));
  abort_->setMinimumSize(120, 40);
  connect(abort_, &QPushButton::clicked, this, &ProcessingWindow::requestAbort);

  auto* top = new QHBoxLayout;
  top->addLayout(counter);
  top->addLayout(texts, 1);
  top->addWidget(abort_);

  frame_ = new QLabel;
  frame_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  frameScroll_ = new QScrollArea;
  frameScroll_->setWidget(frame_);
  frameScroll_->setWidgetResizable(false);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(frameScroll_, 1);
}

void ProcessingWindow::attach(JobContext* job) {
  job_ = job;
  if (job) abortRequested_ = false;
}

QString ProcessingWindow::labelText(LabelRole role) const {
  if (role == LabelRole::Caption) return windowTitle();
  const auto it = labels_.find(role);
  return it == labels_.end() ? QString() : it->second->text();
}

void ProcessingWindow::setLabel(LabelRole role, const std::string& text) {
  const QString t = QString::fromStdString(text);
  if (role == LabelRole::Caption)
    setWindowTitle(t);
  else if (const auto it = labels_.find(role); it != labels_.end())
    it->second->setText(t);
  emit labelChanged(role, t);
}

// The job runs on this thread; between files it lets the window repaint and
// the abort button be pressed.
void ProcessingWindow::pump() {
  if (!pendingFrame_.isNull()) {
    const QImage frame = std::exchange(pendingFrame_, QImage());
    showImage(frame);
  }
  QApplication::processEvents(QEventLoop::AllEvents, 50);
  if (abortRequested_ && job_) job_->runFlag = false;
}

Answer ProcessingWindow::ask(const std::string& title, const std::string& text, Buttons buttons) {
  QWidget* parent = isVisible() ? static_cast<QWidget*>(this) : parentWidget();
  return desktop_.ask(parent, QString::fromStdString(title), QString::fromStdString(text), buttons);
}

// A frame that comes too soon after the last one waits for a later pump. It
// waits as a copy of its own (sharing the pixels until the job draws on): the
// image it came from may be gone by then, as the surface a driver makes for
// itself is when the driver returns.
void ProcessingWindow::showImage(const QImage& frame) {
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (now - lastFrameMs_ < kFrameIntervalMs) {
    pendingFrame_ = running_ ? frame : QImage();
    return;
  }
  pendingFrame_ = QImage();
  lastFrameMs_ = now;
  frame_->setPixmap(QPixmap::fromImage(frame));
  frame_->resize(frame.size());
  emit frameShown();
}

void ProcessingWindow::copyToClipboard(const QImage& frame) { desktop_.setClipboardImage(frame); }

void ProcessingWindow::openDocument(const std::string& path) { desktop_.open(QString::fromStdString(path)); }

void ProcessingWindow::runStarting() {
  running_ = true;
  lastFrameMs_ = 0;
  // An abort asked for during the start questions stops the run at once.
  if (abortRequested_ && job_) job_->runFlag = false;
  abort_->setEnabled(!abortRequested_);
  abort_->setText(QString::fromUtf8(abortRequested_ ? ui_text::kAborting : msg::kAbortButton));
  for (auto& [role, label] : labels_) label->clear();
  frame_->clear();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    setGeometry(area.x(), area.y(), area.width(), std::max(200, area.height() - 40));
  }
  show();
  raise();
  QApplication::processEvents();
}

void ProcessingWindow::runEnded() {
  running_ = false;
  pendingFrame_ = QImage();
  hide();
  QApplication::processEvents();
}

// "中　断": the job stops at its next check of the run flag; what was written
// stays.
void ProcessingWindow::requestAbort() {
  if (!running_ && !job_) return;
  abortRequested_ = true;
  if (job_) job_->runFlag = false;
  abort_->setEnabled(false);
  abort_->setText(QString::fromUtf8(ui_text::kAborting));
}

// Closing the window or pressing Escape while a job runs aborts it; the window
// itself closes when the job has stopped.
void ProcessingWindow::closeEvent(QCloseEvent* e) {
  if (running_) {
    requestAbort();
    e->ignore();
    return;
  }
  QDialog::closeEvent(e);
}

void ProcessingWindow::reject() {
  if (running_) {
    requestAbort();
    return;
  }
  QDialog::reject();
}

}  // namespace velkaro
