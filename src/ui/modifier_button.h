#pragma once
// A push button that reports the modifier keys held when the left mouse
// button pressed it (none when it was pressed from the keyboard): the
// version button and the folder buttons act differently with Ctrl, Alt and
// Shift.

#include <QMouseEvent>
#include <QPushButton>

namespace velkaro {

class ModifierButton : public QPushButton {
  Q_OBJECT
 public:
  explicit ModifierButton(const QString& caption, QWidget* parent = nullptr) : QPushButton(caption, parent) {
    connect(this, &QPushButton::clicked, this, [this] {
      const Qt::KeyboardModifiers held = held_;
      held_ = Qt::NoModifier;
      emit clickedWith(held);
    });
  }

 signals:
  void clickedWith(Qt::KeyboardModifiers modifiers);

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    held_ = e->modifiers();
    QPushButton::mousePressEvent(e);
  }

 private:
  Qt::KeyboardModifiers held_ = Qt::NoModifier;
};

}  // namespace velkaro
