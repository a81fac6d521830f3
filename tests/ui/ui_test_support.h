#pragma once
// One QApplication for the widget tests (on the offscreen platform).

#include <QApplication>

namespace velkaro::testing {

inline QApplication& App() {
  // The test main normally made it already.
  if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return *existing;
  static int argc = 1;
  static char name[] = "test_ui";
  static char* argv[] = {name, nullptr};
  // Never destroyed: tearing it down among the exit handlers, after Qt Test's
  // pointing device, crashes; the process ends right after the tests anyway.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Base of the widget fixtures: the application exists before any member widget.
struct WithApp {
  WithApp() { App(); }
};

}  // namespace velkaro::testing
