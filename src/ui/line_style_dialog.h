#pragma once
// "線の色、太さ設定": picks a colour from the painted 256-colour palette or
// the full colour chooser, a line width and a text/symbol size for a layer,
// a KSJ theme, the mesh overlay or the map background. Created once and
// reused; the caller presets the values, runs it and reads them back on OK.

#include <QDialog>

#include "render/colours.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace velkaro {

// What the dialog edits: a colour, a width index (width = index + 1 pixels)
// and an index into the size list (kSizeList).
struct LineStyle {
  Colour colour = 0;
  int widthIndex = 0;
  int sizeIndex = 12;
};

class LineStyleDialog : public QDialog {
  Q_OBJECT
 public:
  explicit LineStyleDialog(QWidget* parent = nullptr);

  void setStyle(const LineStyle& style);
  LineStyle style() const;
  void setColour(Colour colour);
  Colour colour() const { return colour_; }
  void setWidthIndex(int index);
  void setSizeIndex(int index);
  // The caption; callers that set none keep the last one.
  void setCaption(const QString& caption) { setWindowTitle(caption); }

  // The label naming the current colour ("No.5", "TrueColor:332211").
  QString colourLabelText() const;
  QPushButton* okButton() const { return ok_; }
  QPushButton* trueColourButton() const { return trueColour_; }

  // Presets the style, runs the dialog modally and on OK writes the result
  // back. True on OK.
  bool edit(LineStyle& style, const QString& caption = {});

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void buildControls();
  bool pickAt(QPoint point);
  void chooseTrueColour();
  void updateColourLabel();

  Colour colour_ = 0;
  QPoint lastPress_{-1, -1};
  QComboBox* width_;
  QComboBox* size_;
  QLabel* swatch_;
  QLabel* label_;
  QPushButton* trueColour_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace velkaro
