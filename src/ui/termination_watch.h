#pragma once
// Hands a polite kill (SIGTERM), Ctrl-C in the terminal the program was
// started from (SIGINT) or that terminal closing (SIGHUP) to the main window
// from the event loop: the signal handler only wakes the loop through a
// pipe, and the window then ends the program the way a person would (see
// MainWindow::endOnRequest).

#include <QObject>

#include "platform/termination_signal.h"

class QSocketNotifier;

namespace velkaro {

class MainWindow;

class TerminationWatch : public QObject {
  Q_OBJECT
 public:
  explicit TerminationWatch(MainWindow& window);

  // False when the signals could not be caught (they then end the program
  // at once, as they did without this watch).
  bool installed() const { return signal_.installed(); }

 private:
  void signalArrived();

  TerminationSignal signal_;
  QSocketNotifier* notifier_ = nullptr;
  MainWindow& window_;
};

}  // namespace velkaro
