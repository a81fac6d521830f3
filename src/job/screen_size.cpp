#include "job/screen_size.h"

#include <QGuiApplication>
#include <QScreen>

namespace velkaro {

ScreenSize PrimaryScreenSize() {
  ScreenSize size;
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return size;
  // The offscreen and minimal platforms report a made-up screen (800 x 800),
  // not one a user looks at.
  const QString platform = QGuiApplication::platformName();
  if (platform == "offscreen" || platform == "minimal") return size;
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return size;
  const QSize s = screen->size();
  if (s.width() > 0 && s.height() > 0) {
    size.width = s.width();
    size.height = s.height();
  }
  return size;
}

}  // namespace velkaro
