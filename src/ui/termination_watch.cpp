#include "ui/termination_watch.h"

#include <QSocketNotifier>

#include "ui/main_window.h"

namespace velkaro {

TerminationWatch::TerminationWatch(MainWindow& window) : window_(window) {
  if (!signal_.installed()) return;
  notifier_ = new QSocketNotifier(signal_.readDescriptor(), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationWatch::signalArrived);
}

void TerminationWatch::signalArrived() {
  if (signal_.consume()) window_.endOnRequest();
}

}  // namespace velkaro
