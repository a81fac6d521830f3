#pragma once
// Everything the windows ask of the desktop: message boxes, the file and
// folder dialogs, the default handler for documents and pages, starting
// companion programs and the clipboard. The program uses QtDesktop; tests
// put a scripted one in its place so no dialog ever waits for a person.

#include <QString>
#include <QStringList>
#include <functional>

#include "job/job_host.h"

class QImage;
class QWidget;

namespace velkaro {

// How a started program ended.
struct ProgramEnd {
  bool crashed = false;
  int exitCode = 0;
  QString output;  // the last lines it wrote to its standard output and error
};
using ProgramFinished = std::function<void(const ProgramEnd&)>;

class Desktop {
 public:
  virtual ~Desktop() = default;
  // Message box; the text may use "\r\n" line ends.
  virtual Answer ask(QWidget* parent, const QString& title, const QString& text, Buttons buttons) = 0;
  // Empty when cancelled.
  virtual QString openFileName(QWidget* parent, const QString& title, const QString& folder,
                               const QString& filter) = 0;
  virtual QString saveFileName(QWidget* parent, const QString& title, const QString& proposedPath,
                               const QString& filter) = 0;
  virtual QString pickFolder(QWidget* parent, const QString& title, const QString& start) = 0;
  // A document (absolute path) or a web address, with the default handler.
  virtual void open(const QString& documentOrUrl) = 0;
  // Starts a program that runs on its own while the window goes on; finished
  // is called when it ends. False (and no call) when it could not be started.
  virtual bool startProgram(const QString& program, const QStringList& arguments, ProgramFinished finished) = 0;
  virtual void setClipboardText(const QString& text) = 0;
  virtual void setClipboardImage(const QImage& image) = 0;
};

// The real desktop: Qt's message boxes and dialogs, QDesktopServices and
// QProcess. A started program writes into a log file rather than a pipe, so
// it finishes its work even when the window is closed first.
class QtDesktop : public Desktop {
 public:
  Answer ask(QWidget* parent, const QString& title, const QString& text, Buttons buttons) override;
  QString openFileName(QWidget* parent, const QString& title, const QString& folder,
                       const QString& filter) override;
  QString saveFileName(QWidget* parent, const QString& title, const QString& proposedPath,
                       const QString& filter) override;
  QString pickFolder(QWidget* parent, const QString& title, const QString& start) override;
  void open(const QString& documentOrUrl) override;
  bool startProgram(const QString& program, const QStringList& arguments, ProgramFinished finished) override;
  void setClipboardText(const QString& text) override;
  void setClipboardImage(const QImage& image) override;
};

// "\r\n" line ends as a desktop shows them.
QString DisplayText(const QString& text);

}  // namespace velkaro
