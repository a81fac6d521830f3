#include "ui/colour_check_box.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

#include "ui/readable_colour.h"
#include "catalogue/layer_catalogue.h"

namespace velkaro {

QColor ToQColor(int32_t colour) { return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF); }

int32_t FromQColor(const QColor& c) { return c.red() + c.green() * 256 + c.blue() * 65536; }

ColourCheckBox::ColourCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {
  setAccessibleName(caption);
}

void ColourCheckBox::setLayerColour(int32_t colour) {
  colour_ = colour;
  update();
}

QSize ColourCheckBox::sizeHint() const {
  const QFontMetrics fm(font());
  return {17 + fm.horizontalAdvance(text()) + 6, std::max(18, fm.height() + 4)};
}

bool ColourCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void ColourCheckBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(QRect(15, 0, width() - 15, height()), ToQColor(colour_));

  QStyleOptionButton box;
  box.initFrom(this);
  box.state |= isChecked() ? QStyle::State_On : QStyle::State_Off;
  const int side = std::min(13, height());
  box.rect = QRect(1, (height() - side) / 2, side, side);
  style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &p, this);

  p.setPen(ReadableOn(ToQColor(CheckBoxTextColour(colour_)), ToQColor(colour_), 4.5));
  p.setFont(font());
  const QFontMetrics fm(font());
  p.drawText(QRect(17, 0, width() - 17, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = QRect(16, 1, std::min(width() - 17, fm.horizontalAdvance(text()) + 2), height() - 2);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
  }
}

void ColourCheckBox::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::RightButton) {
    emit styleRequested();
    e->accept();
    return;
  }
  QCheckBox::mousePressEvent(e);
}

}  // namespace velkaro
