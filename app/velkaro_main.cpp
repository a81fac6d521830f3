// velkaro: the desktop program. `velkaro [JOB.pxj]` opens the main window and
// loads JOB.pxj, or else the settings of the last successful job.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "platform/app_folders.h"
#include "ui/desktop.h"
#include "ui/main_window.h"
#include "ui/termination_watch.h"
#include "ui/ui_messages.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(velkaro::ui_text::kApplicationTitle));
  QApplication::setApplicationVersion(QStringLiteral(VELKARO_VERSION));
  // Standard buttons and dialogs speak the program's language.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTexts);

  velkaro::QtDesktop desktop;
  velkaro::MainWindow window(QString::fromStdString(velkaro::ProgramFolder()), desktop);
  // SIGTERM, Ctrl-C and a closed terminal abort a running job (finished
  // tiles kept, scratch files removed) and then end the program; while idle
  // they close the window.
  velkaro::TerminationWatch termination(window);
  const QStringList args = QApplication::arguments();
  window.resize(1280, 900);
  window.show();
  if (!window.startUp(args.size() > 1 ? args.at(1) : QString())) return 1;
  return app.exec();
}
