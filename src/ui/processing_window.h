#pragma once
// The processing window "処理開始": the job's host while it runs. It shows
// the step, counter, file and reader labels and the frame being drawn, pumps
// the event loop between files so it repaints, and its "中　断" button clears
// the job's run flag. Questions go to message boxes through the Desktop.

#include <QDialog>
#include <QImage>
#include <map>

#include "job/job_context.h"
#include "job/job_host.h"

class QLabel;
class QPushButton;
class QScrollArea;

namespace velkaro {

class Desktop;

class ProcessingWindow : public QDialog, public JobHost {
  Q_OBJECT
 public:
  ProcessingWindow(Desktop& desktop, QWidget* parent = nullptr);

  // The job whose run flag the abort button clears.
  void attach(JobContext* job);
  // The job now running, or null.
  const JobContext* attachedJob() const { return job_; }

  void setLabel(LabelRole role, const std::string& text) override;
  void pump() override;
  Answer ask(const std::string& title, const std::string& text, Buttons buttons) override;
  void showImage(const QImage& frame) override;
  void copyToClipboard(const QImage& frame) override;
  void openDocument(const std::string& path) override;
  void runStarting() override;
  void runEnded() override;

  QPushButton* abortButton() const { return abort_; }
  QString labelText(LabelRole role) const;
  // True once the abort button was pressed during the current run.
  bool abortRequested() const { return abortRequested_; }
  // What "中　断" does: the job stops at its next check of the run flag and
  // what was written stays. Nothing happens while no job runs.
  void requestAbort();

 signals:
  void labelChanged(velkaro::LabelRole role, const QString& text);
  void frameShown();

 protected:
  void closeEvent(QCloseEvent* e) override;
  void reject() override;

 private:
  Desktop& desktop_;
  JobContext* job_ = nullptr;
  std::map<LabelRole, QLabel*> labels_;
  QLabel* frame_;
  QScrollArea* frameScroll_;
  QPushButton* abort_;
  bool running_ = false;
  bool abortRequested_ = false;
  qint64 lastFrameMs_ = 0;
  QImage pendingFrame_;   // null when none waits
};

}  // namespace velkaro
