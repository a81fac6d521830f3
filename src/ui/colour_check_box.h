#pragma once
// A check box painted in its layer's colour, as the KSJ themes and the
// standard regional mesh switch show: the box area right of x = 15 is filled
// with the colour and the caption drawn at x = 17 in black on the neutral
// grey 0x808080, otherwise in the inverse colour. A right click asks for the
// line style dialog.

#include <QCheckBox>
#include <cstdint>

namespace velkaro {

class ColourCheckBox : public QCheckBox {
  Q_OBJECT
 public:
  explicit ColourCheckBox(const QString& caption, QWidget* parent = nullptr);

  // 0x00BBGGRR colour of the layer.
  void setLayerColour(int32_t colour);
  int32_t layerColour() const { return colour_; }

  QSize sizeHint() const override;

 signals:
  void styleRequested();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  bool hitButton(const QPoint& pos) const override;

 private:
  int32_t colour_ = 0x808080;
};

// QColor of a 0x00BBGGRR colour and back.
QColor ToQColor(int32_t colour);
int32_t FromQColor(const QColor& c);

}  // namespace velkaro
