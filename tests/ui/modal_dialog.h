#pragma once
// Driving the window's own modal dialogs from a test: the action runs once
// the dialog's exec() loop is up and the dialog is the active modal widget.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPoint>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "ui/line_style_dialog.h"
#include "ui/palette.h"

namespace velkaro::testing {

// A dialog of another kind, or none within ten seconds, fails the test; a
// modal dialog then open is rejected so the test cannot hang.
template <class Dialog>
void WhenModal(std::function<void(Dialog*)> act) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  auto waited = std::make_shared<int>(0);
  QObject::connect(poll, &QTimer::timeout, [poll, act, waited] {
    QWidget* modal = QApplication::activeModalWidget();
    auto* dialog = qobject_cast<Dialog*>(modal);
    if (!dialog && ++*waited < 2000) return;
    poll->stop();
    poll->deleteLater();
    if (dialog) {
      act(dialog);
      return;
    }
    ADD_FAILURE() << "the expected dialog did not open";
    if (auto* other = qobject_cast<QDialog*>(modal)) other->reject();
  });
  poll->start();
}

// Double click on a palette entry's swatch: the dialog ends with OK.
inline void DoubleClickPaletteEntry(LineStyleDialog* dialog, int entry) {
  const SwatchRect r = PaletteSwatch(entry);
  QTest::mouseDClick(dialog, Qt::LeftButton, {}, QPoint(r.left + 5, r.top + 5));
}

// The line style dialog's next run picks entry `entry` by double click.
inline void PickPaletteEntryNext(int entry) {
  WhenModal<LineStyleDialog>([entry](LineStyleDialog* d) { DoubleClickPaletteEntry(d, entry); });
}

// The line style dialog's next run takes `colour` (as from the colour
// chooser) and ends with OK.
inline void PickColourNext(Colour colour) {
  WhenModal<LineStyleDialog>([colour](LineStyleDialog* d) {
    d->setColour(colour);
    QTest::mouseClick(d->okButton(), Qt::LeftButton);
  });
}

}  // namespace velkaro::testing
