#include "render/colours.h"

#include <GL/gl.h>
#include <QString>

#include <algorithm>
#include <cmath>

namespace velkaro {

void gcolor(Colour cl) {
  glColor3f(static_cast<float>(RedOf(cl)) / 255.0f, static_cast<float>(GreenOf(cl)) / 255.0f,
            static_cast<float>(BlueOf(cl)) / 255.0f);
}

namespace {

struct Rgb {
  int r = 0, g = 0, b = 0;
};

// The four ramps blue -> cyan -> green -> yellow -> red of a legend with at
// least three intervals; a later row overrides an earlier one.
Rgb RampColour(int i, int hdev, int a) {
  const int e = ((256 - a) * 4) / hdev;
  const double q = hdev / 4.0;
  const int k = hdev / 4;
  Rgb c;
  if (i >= 0 && i <= q - 1) c = {a, a + i * e, 255};
  if (i >= q && i <= 2 * q - 1) c = {a, 255, 255 - (i - k) * e};
  if (i >= 2 * q && i <= 3 * q - 1) c = {a + (i - 2 * k) * e, 255, a};
  if (i >= 3 * q && i <= 4 * q - 1) c = {255, 255 - (i - 3 * k) * e, a};
  if (i >= hdev) c = {255, a, a};
  return c;
}

}  // namespace

namespace {

Rgb ClassRgb(int i, int hdev, int scheme) {
  const int a = std::clamp(scheme, 0, 7) * 32;
  Rgb c;
  if (hdev >= 3) {
    c = RampColour(i, hdev, a);
  } else if (hdev == 2) {
    c = i == 0 ? Rgb{a, a, 255} : i == 1 ? Rgb{a, 255, a} : Rgb{255, a, a};
  } else if (hdev == 1) {
    c = i == 0 ? Rgb{a, a, 255} : Rgb{255, a, a};
  }
  return c;
}

}  // namespace

Colour rgb(int i, int hdev, float decl, int scheme) {
  const Rgb c = ClassRgb(i, hdev, scheme);
  return MakeColour(Darken(c.r, decl), Darken(c.g, decl), Darken(c.b, decl));
}

Colour elevcl(int hdev, float decl, double interval, double bottom, double value, int scheme) {
  if (value < bottom) return rgb(0, hdev, decl, scheme);
  if (value > (hdev - 1) * interval + bottom) return rgb(hdev, hdev, decl, scheme);
  // A legend without a positive interval has no inner classes: everything at
  // or above its bottom is in the top class (and no division by zero).
  if (!(interval > 0)) return rgb(hdev, hdev, decl, scheme);
  const double cls = std::floor((value - 0.005 - bottom) / interval + 1);
  const int index = static_cast<int>(std::clamp(cls, 0.0, static_cast<double>(hdev)));
  return rgb(index, hdev, decl, scheme);
}

LegendColours::LegendColours(int hdev, double interval, double bottom, int scheme)
    : hdev_(hdev), interval_(interval), bottom_(bottom), top_((hdev - 1) * interval + bottom) {
  const int classes = std::max(hdev, 0) + 1;
  lastClass_ = classes - 1;
  rgb_.reserve(static_cast<size_t>(classes) * 4);
  for (int i = 0; i < classes; ++i) {
    const Rgb c = ClassRgb(i, hdev, scheme);
    for (const int channel : {c.r, c.g, c.b}) rgb_.push_back(static_cast<float>(std::clamp(channel, 0, 255)));
    rgb_.push_back(0);   // four to a class, read at once
  }
}

Colour areacl(std::string_view namae) {
  const QString text = QString::fromUtf8(namae.data(), static_cast<qsizetype>(namae.size()));
  uint32_t s = 0;   // 32-bit arithmetic that wraps on overflow
  for (qsizetype k = 0; k < text.size(); ++k) {
    const uint32_t code = text.at(k).unicode();
    s += code * static_cast<uint32_t>(k + 7) * static_cast<uint32_t>(k + 5);
  }
  const int32_t h = static_cast<int32_t>(s + 1234567u);
  const int r = 192 + h % 64;
  const int g = 192 + (h / 64) % 64;
  const int b = 192 + (h / 4096) % 64;
  return MakeColour(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
}

}  // namespace velkaro
