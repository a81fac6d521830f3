// velkaro: the desktop program. For now it opens the main window only.
#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle("Velkaro");
  window.resize(1024, 720);
  window.show();
  return app.exec();
}
