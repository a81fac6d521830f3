#include "ui/readable_colour.h"

#include <cmath>

namespace velkaro {
namespace {

double Linear(double channel) {
  const double c = channel / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c) {
  return 0.2126 * Linear(c.red()) + 0.7152 * Linear(c.green()) + 0.0722 * Linear(c.blue());
}

QColor Mix(const QColor& from, const QColor& to, double t) {
  auto channel = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
  return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()), channel(from.blue(), to.blue()));
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& text, const QColor& background, double ratio) {
  if (ContrastRatio(text, background) >= ratio) return text;
  const QColor target = ContrastRatio(Qt::black, background) >= ContrastRatio(Qt::white, background)
                            ? QColor(Qt::black)
                            : QColor(Qt::white);
  for (int step = 1; step <= 20; ++step) {
    const QColor mixed = Mix(text, target, step / 20.0);
    if (ContrastRatio(mixed, background) >= ratio) return mixed;
  }
  return target;
}

}  // namespace velkaro
