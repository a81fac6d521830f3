#include "ui/desktop.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryFile>
#include <QUrl>


namespace velkaro {
namespace {

// The last lines of a program's log, enough to tell why it stopped.
QString LogTail(const QString& path, int lines) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QStringList all = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  if (all.size() > lines) all = all.mid(all.size() - lines);
  return all.join('\n');
}

}  // namespace

QString DisplayText(const QString& text) {
  QString out = text;
  out.replace("\r\n", "\n");
  while (out.endsWith('\n')) out.chop(1);
  return out;
}

Answer QtDesktop::ask(QWidget* parent, const QString& title, const QString& text, Buttons buttons) {
  QMessageBox box(parent);
  box.setWindowTitle(title);
  box.setText(DisplayText(text));
  switch (buttons) {
    case Buttons::Ok:
      box.setStandardButtons(QMessageBox::Ok);
      box.setIcon(QMessageBox::Information);
      break;
    case Buttons::OkCancel:
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box.setIcon(QMessageBox::Warning);
      break;
    case Buttons::YesNo:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setIcon(QMessageBox::Question);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return buttons == Buttons::YesNo ? Answer::No : (buttons == Buttons::OkCancel ? Answer::Cancel : Answer::Ok);
  }
}

QString QtDesktop::openFileName(QWidget* parent, const QString& title, const QString& folder,
                                const QString& filter) {
  return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QString QtDesktop::saveFileName(QWidget* parent, const QString& title, const QString& proposedPath,
                                const QString& filter) {
  QFileDialog dialog(parent, title, proposedPath, filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // The proposed name's extension is added to a name typed without one.
  const QString suffix = QFileInfo(proposedPath).suffix();
  dialog.setDefaultSuffix(suffix.isEmpty() ? QStringLiteral("pxj") : suffix);
  dialog.selectFile(proposedPath);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

QString QtDesktop::pickFolder(QWidget* parent, const QString& title, const QString& start) {
  return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

void QtDesktop::open(const QString& documentOrUrl) {
  const QUrl url = documentOrUrl.startsWith('/') ? QUrl::fromLocalFile(documentOrUrl) : QUrl(documentOrUrl);
  QDesktopServices::openUrl(url);
}

bool QtDesktop::startProgram(const QString& program, const QStringList& arguments, ProgramFinished finished) {
  // Parentless: the process object lives until the program ends, whatever
  // happens to the window that started it.
  auto* process = new QProcess;
  auto* log = new QTemporaryFile(QDir::tempPath() + "/velkaro-XXXXXX.log", process);
  if (!log->open()) {
    delete process;
    return false;
  }
  log->close();
  process->setProcessChannelMode(QProcess::MergedChannels);
  process->setStandardOutputFile(log->fileName());
  process->setStandardInputFile(QProcess::nullDevice());
  QObject::connect(process, &QProcess::finished, process,
                   [process, log, finished](int exitCode, QProcess::ExitStatus status) {
                     ProgramEnd end;
                     end.crashed = status == QProcess::CrashExit;
                     end.exitCode = exitCode;
                     end.output = LogTail(log->fileName(), 20);
                     process->deleteLater();
                     if (finished) finished(end);
                   });
  process->start(program, arguments);
  if (!process->waitForStarted(10000)) {
    delete process;
    return false;
  }
  return true;
}

void QtDesktop::setClipboardText(const QString& text) { QGuiApplication::clipboard()->setText(text); }

void QtDesktop::setClipboardImage(const QImage& image) { QGuiApplication::clipboard()->setImage(image); }

}  // namespace velkaro
