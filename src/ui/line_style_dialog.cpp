#include "ui/line_style_dialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "ui/dialog_messages.h"
#include "ui/palette.h"
#include "catalogue/layer_catalogue.h"

namespace velkaro {
namespace {

constexpr int kWidthItems = 15;

QColor ToQColor(Colour c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }
Colour FromQColor(const QColor& c) { return MakeColour(c.red(), c.green(), c.blue()); }

}  // namespace

LineStyleDialog::LineStyleDialog(QWidget* parent)
    : QDialog(parent),
      width_(new QComboBox(this)),
      size_(new QComboBox(this)),
      swatch_(new QLabel(this)),
      label_(new QLabel(this)),
      trueColour_(new QPushButton(dialog_msg::kTrueColour, this)),
      ok_(new QPushButton(dialog_msg::kOk, this)),
      cancel_(new QPushButton(dialog_msg::kCancelButton, this)) {
  setWindowTitle(dialog_msg::kLineStyleCaption);
  QPalette background = palette();
  background.setColor(QPalette::Window, ToQColor(kPaletteBackground));
  setPalette(background);
  setAutoFillBackground(true);
  buildControls();
  setFixedSize(640, 212);
}

void LineStyleDialog::buildControls() {
  for (int i = 1; i <= kWidthItems; ++i) width_->addItem(QString::number(i));
  // The size field accepts only the items of the list.
  for (const char* item : kSizeList) size_->addItem(item);
  size_->setEditable(false);
  size_->setCurrentIndex(12);

  auto* widthCaption = new QLabel(dialog_msg::kLineWidth, this);
  auto* sizeCaption = new QLabel(dialog_msg::kSymbolSize, this);
  widthCaption->setGeometry(420, 8, 120, 18);
  width_->setGeometry(420, 26, 80, 24);
  sizeCaption->setGeometry(420, 58, 118, 18);
  sizeCaption->setWordWrap(false);
  size_->setGeometry(420, 76, 80, 24);
  swatch_->setGeometry(556, 8, 72, 41);
  swatch_->setAutoFillBackground(true);
  trueColour_->setGeometry(548, 58, 80, 26);
  label_->setGeometry(452, 88, 176, 20);
  label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label_->setObjectName("colourLabel");
  ok_->setGeometry(452, 168, 84, 28);
  cancel_->setGeometry(544, 168, 84, 28);
  ok_->setDefault(true);
  ok_->setAutoDefault(true);

  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(trueColour_, &QPushButton::clicked, this, &LineStyleDialog::chooseTrueColour);
}

void LineStyleDialog::setStyle(const LineStyle& style) {
  setColour(style.colour);
  setWidthIndex(style.widthIndex);
  setSizeIndex(style.sizeIndex);
}

LineStyle LineStyleDialog::style() const {
  return {colour_, width_->currentIndex(), size_->currentIndex()};
}

void LineStyleDialog::setColour(Colour colour) {
  colour_ = colour & 0xFFFFFF;
  QPalette p = swatch_->palette();
  p.setColor(QPalette::Window, ToQColor(colour_));
  swatch_->setPalette(p);
  updateColourLabel();
}

void LineStyleDialog::setWidthIndex(int index) {
  width_->setCurrentIndex(std::clamp(index, 0, kWidthItems - 1));
}

void LineStyleDialog::setSizeIndex(int index) {
  size_->setCurrentIndex(std::clamp(index, 0, static_cast<int>(kSizeList.size()) - 1));
}

QString LineStyleDialog::colourLabelText() const { return label_->text(); }

void LineStyleDialog::updateColourLabel() {
  label_->setText(QString::fromStdString(ColourLabel(colour_)));
}

bool LineStyleDialog::edit(LineStyle& style, const QString& caption) {
  setStyle(style);
  if (!caption.isEmpty()) setCaption(caption);
  if (exec() != QDialog::Accepted) return false;
  style = this->style();
  return true;
}

void LineStyleDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  updateColourLabel();
  ok_->setFocus();
}

void LineStyleDialog::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  for (int k = 1; k < kPaletteSize; ++k) {
    const SwatchRect r = PaletteSwatch(k);
    painter.fillRect(r.left, r.top, r.right - r.left, r.bottom - r.top, ToQColor(PaletteColour(k)));
  }
}

// Picking works on the swatch rectangles rather than on screen pixels: the
// colour under the pointer is the colour of the swatch that contains it.
bool LineStyleDialog::pickAt(QPoint point) {
  const int k = PaletteEntryAt(point.x(), point.y());
  if (k < 0) return false;
  setColour(PaletteColour(k));
  return true;
}

void LineStyleDialog::mousePressEvent(QMouseEvent* event) {
  lastPress_ = event->position().toPoint();
  pickAt(lastPress_);
  QDialog::mousePressEvent(event);
}

// The second press of a double click arrives here instead of as a press.
void LineStyleDialog::mouseDoubleClickEvent(QMouseEvent* event) {
  lastPress_ = event->position().toPoint();
  if (pickAt(lastPress_)) accept();
}

void LineStyleDialog::chooseTrueColour() {
  const QColor chosen = QColorDialog::getColor(ToQColor(colour_), this, dialog_msg::kTrueColour);
  if (chosen.isValid()) setColour(FromQColor(chosen));
}

}  // namespace velkaro
