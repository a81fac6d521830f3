#pragma once
// Vertices gathered in client arrays and handed to GL in a few draw calls
// instead of one call per vertex. Coordinates and colours are stored as the
// floats GL keeps of them anyway (a double vertex is converted the same way
// on the way in), so a batch draws exactly what per-vertex calls would.

#include <cstddef>
#include <vector>

#include <GL/gl.h>

#include "render/colours.h"

namespace velkaro {

// Independent triangles, each with its own flat colour.
class TriangleBatch {
 public:
  // Draws whenever this many triangles are waiting, and on flush().
  explicit TriangleBatch(size_t trianglesPerDraw = 16384);

  void add(Colour colour, const double a[3], const double b[3], const double c[3]);
  // Draws the waiting triangles in the order they were added.
  void flush();

 private:
  size_t limit_;
  std::vector<float> xyz_, rgb_;
};

// Line strips drawn in the current colour and line width, many strips per
// draw call; change the colour or width only after flush().
class LineStripBatch {
 public:
  explicit LineStripBatch(size_t verticesPerDraw = 65536) : limit_(verticesPerDraw) {}

  void vertex(float x, float y, float z = 0) {
    xyz_.insert(xyz_.end(), {x, y, z});
  }
  // Ends the strip of the vertices added since the last end; draws the
  // waiting strips once enough vertices have gathered.
  void endStrip();
  void flush();

 private:
  size_t limit_;
  std::vector<float> xyz_;
  std::vector<GLint> firsts_;
  std::vector<GLsizei> counts_;
  GLint stripStart_ = 0;
};

// The floats glColor3f receives for a colour.
inline void GlColourOf(Colour cl, float rgb[3]) {
  rgb[0] = static_cast<float>(RedOf(cl)) / 255.0f;
  rgb[1] = static_cast<float>(GreenOf(cl)) / 255.0f;
  rgb[2] = static_cast<float>(BlueOf(cl)) / 255.0f;
}

}  // namespace velkaro
