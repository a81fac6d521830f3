#include "ui/desktop.h"

#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>


namespace velkaro {

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
  dialog.setDefaultSuffix("pxj");
  dialog.selectFile(proposedPath);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

QString QtDesktop::pickFolder(QWidget* parent, const QString& title, const QString& start) {
  return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

std::optional<QColor> QtDesktop::pickColour(QWidget* parent, const QString& title, const QColor& initial) {
  const QColor c = QColorDialog::getColor(initial, parent, title);
  if (!c.isValid()) return std::nullopt;
  return c;
}

void QtDesktop::open(const QString& documentOrUrl) {
  const QUrl url = documentOrUrl.startsWith('/') ? QUrl::fromLocalFile(documentOrUrl) : QUrl(documentOrUrl);
  QDesktopServices::openUrl(url);
}

bool QtDesktop::startProgram(const QString& program, const QStringList& arguments) {
  return QProcess::startDetached(program, arguments);
}

void QtDesktop::setClipboardText(const QString& text) { QGuiApplication::clipboard()->setText(text); }

void QtDesktop::setClipboardImage(const QImage& image) { QGuiApplication::clipboard()->setImage(image); }

}  // namespace velkaro
