#include "ui/legend_preview.h"

#include <QPainter>

#include "render/colours.h"

namespace velkaro {

QImage LegendPreviewImage(int scheme, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  const float w = static_cast<float>(width) / 129.0f;
  for (int i = 0; i <= 128; ++i) {
    const int x0 = static_cast<int>(static_cast<float>(i) * w);
    const int x1 = static_cast<int>(static_cast<float>(i) * w + w);
    const Colour c = rgb(i, 128, 1.0f, scheme);
    if (x1 > x0) painter.fillRect(x0, 0, x1 - x0, height, QColor(RedOf(c), GreenOf(c), BlueOf(c)));
  }
  return image;
}

}  // namespace velkaro
