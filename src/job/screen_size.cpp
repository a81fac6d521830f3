#include "job/screen_size.h"

#include <QGuiApplication>
#include <QScreen>

namespace velkaro {

ScreenSize PrimaryScreenSize() {
  ScreenSize size;
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return size;
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
