#include "render/render_surface.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/osmesa.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "job/job_context.h"

namespace velkaro {

// GL draws into `target`, a texture of the image's size behind a
// framebuffer object, rather than into OSMesa's own framebuffer (a single
// pixel, never drawn into): the image then goes in and comes out by plain
// copies. (OSMesa's framebuffer took the image by drawing it as a textured
// rectangle, whose shaders every process compiled anew, and gave it back by
// a copy of its own at every flush, also the clear's.)
struct RenderSurface::GlContext {
  OSMesaContext context = nullptr;
  uint32_t windowPixel = 0;
  GLuint framebuffer = 0, target = 0;
  std::vector<uchar> rows;   // a band of rows on their way, bottom row first
};

RenderSurface::RenderSurface(int width, int height)
    : image_(width, height, QImage::Format_RGB32),
      tile_(std::make_unique<TileResources>()),
      drawer_(*this) {
  image_.fill(Qt::white);
}

RenderSurface::~RenderSurface() {
  endPainter();
  deleteContext();
}

bool RenderSurface::hasContext() const { return gl_ && gl_->context; }

void RenderSurface::endPainter() {
  if (painter_) {
    painter_->end();
    painter_.reset();
  }
}

bool RenderSurface::makeCurrent() {
  if (!hasContext()) return false;
  return OSMesaGetCurrentContext() == gl_->context ||
         OSMesaMakeCurrent(gl_->context, &gl_->windowPixel, GL_UNSIGNED_BYTE, 1, 1) == GL_TRUE;
}

namespace {

// Image rows pass between GL and the image in bands of this many, turned
// over on the way (GL's row 0 is the bottom one, the image's the top one).
constexpr int kRowsPerBand = 64;

}  // namespace

// The whole framebuffer over the image.
void RenderSurface::readFramebuffer() {
  const int width = image_.width(), height = image_.height();
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_PACK_SKIP_ROWS, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  for (int top = 0; top < height; top += kRowsPerBand) {
    const int rows = std::min(kRowsPerBand, height - top);
    gl_->rows.resize(rowBytes * static_cast<size_t>(rows));
    glReadPixels(0, height - top - rows, width, rows, GL_BGRA, GL_UNSIGNED_BYTE, gl_->rows.data());
    for (int r = 0; r < rows; ++r)
      std::memcpy(image_.scanLine(top + r), gl_->rows.data() + static_cast<size_t>(rows - 1 - r) * rowBytes, rowBytes);
  }
  glPopClientAttrib();
}

// The GL output so far into the image.
void RenderSurface::finishGL() {
  if (!glDrewLast_) return;
  glDrewLast_ = false;
  if (!hasContext()) return;
  endPainter();
  if (makeCurrent()) readFramebuffer();
}

void RenderSurface::markChanged(const QRect& area) {
  changed_ = changed_.united(area.intersected(image_.rect()));
}

// The changed part of the image becomes the framebuffer's content.
void RenderSurface::uploadImage(const QRect& area) {
  const int height = image_.height();
  const size_t rowBytes = static_cast<size_t>(area.width()) * 4;
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glBindTexture(GL_TEXTURE_2D, gl_->target);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  for (int top = area.y(); top < area.y() + area.height(); top += kRowsPerBand) {
    const int rows = std::min(kRowsPerBand, area.y() + area.height() - top);
    gl_->rows.resize(rowBytes * static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r)
      std::memcpy(gl_->rows.data() + static_cast<size_t>(rows - 1 - r) * rowBytes,
                  image_.constScanLine(top + r) + static_cast<size_t>(area.x()) * 4, rowBytes);
    glTexSubImage2D(GL_TEXTURE_2D, 0, area.x(), height - top - rows, area.width(), rows, GL_BGRA,
                    GL_UNSIGNED_BYTE, gl_->rows.data());
  }
  glPopClientAttrib();
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
}

void RenderSurface::beginGL() {
  endPainter();
  if (!makeCurrent()) return;
  if (!changed_.isEmpty()) {
    uploadImage(changed_);
    changed_ = QRect();
  }
  glDrewLast_ = true;
}

void RenderSurface::beginGLReplacingImage() {
  endPainter();
  if (!makeCurrent()) return;
  changed_ = QRect();
  glDrewLast_ = true;
}

void RenderSurface::beginGLState() { makeCurrent(); }

QPainter& RenderSurface::beginPainter() { return beginPainterIn(image_.rect()); }

QPainter& RenderSurface::beginPainterIn(const QRect& area) {
  finishGL();
  markChanged(area);
  if (!painter_) painter_ = std::make_unique<QPainter>(&image_);
  return *painter_;
}

QImage& RenderSurface::beginPixels() {
  finishGL();
  endPainter();
  markChanged(image_.rect());
  return image_;
}

void RenderSurface::flush() { finishGL(); }

const QImage& RenderSurface::frame() {
  finishGL();
  endPainter();
  return image_;
}

namespace {

// A new context's state, kept at the bottom of its attribute stacks so that
// a tile's changes can be undone.
void SaveNewContextState() {
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
}

// Back to the state SaveNewContextState kept (saved again for the next
// tile): matrices to identity with their stacks emptied, every attribute
// popped to the bottom, errors cleared.
void RestoreNewContextState() {
  for (const GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
    const GLenum depthQuery = mode == GL_TEXTURE      ? GL_TEXTURE_STACK_DEPTH
                              : mode == GL_PROJECTION ? GL_PROJECTION_STACK_DEPTH
                                                      : GL_MODELVIEW_STACK_DEPTH;
    glMatrixMode(mode);
    GLint depth = 1;
    glGetIntegerv(depthQuery, &depth);
    for (; depth > 1; --depth) glPopMatrix();
    glLoadIdentity();
  }
  GLint depth = 0;
  glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
  for (; depth > 0; --depth) glPopAttrib();
  glGetIntegerv(GL_CLIENT_ATTRIB_STACK_DEPTH, &depth);
  for (; depth > 0; --depth) glPopClientAttrib();
  while (glGetError() != GL_NO_ERROR) {
  }
  SaveNewContextState();
}

}  // namespace

// The framebuffer object GL draws into, bound, with the viewport and
// scissor box a window of the image's size starts with.
bool RenderSurface::attachFramebuffer() {
  const int width = image_.width(), height = image_.height();
  glGenTextures(1, &gl_->target);
  glBindTexture(GL_TEXTURE_2D, gl_->target);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
  glBindTexture(GL_TEXTURE_2D, 0);
  glGenFramebuffers(1, &gl_->framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, gl_->framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, gl_->target, 0);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;
  glViewport(0, 0, width, height);
  glScissor(0, 0, width, height);
  return true;
}

bool RenderSurface::createContext() {
  if (contextKept_ && hasContext()) {
    contextKept_ = false;
    contextIsNew_ = false;
    endPainter();
    makeCurrent();
    markChanged(image_.rect());
    glDrewLast_ = false;
    return true;
  }
  deleteContext();
  // Depth testing stays off, so any depth buffer (or none) draws the same
  // pixels: none is asked for first, as a tile's depth buffer would be
  // allocated and cleared for nothing (a twentieth of a job's time).
  OSMesaContext context = nullptr;
  for (GLint depth : {0, 32, 24, 16}) {
    context = OSMesaCreateContextExt(OSMESA_BGRA, depth, 0, 0, nullptr);
    if (context) break;
  }
  if (!context) return false;
  endPainter();
  gl_ = std::make_unique<GlContext>();
  gl_->context = context;
  if (!makeCurrent() || !attachFramebuffer()) {
    OSMesaMakeCurrent(nullptr, nullptr, GL_UNSIGNED_BYTE, 0, 0);
    OSMesaDestroyContext(context);
    gl_.reset();
    return false;
  }
  markChanged(image_.rect());   // a new framebuffer knows nothing of the image
  glDrewLast_ = false;
  SaveNewContextState();
  contextIsNew_ = true;
  return true;
}

void RenderSurface::closeTile(int listCount) {
  if (!gl_) return;
  finishGL();
  makeCurrent();
  glDeleteLists(1, listCount);
  RestoreNewContextState();
  dropTileResources();
  contextKept_ = true;
}

// Tessellators go with the tile; the flood counter stays readable after it
// (the animation writer reads it) until the next opening.
void RenderSurface::dropTileResources() {
  const long dryTriangles = tile_->dryTriangleCount;
  tile_ = std::make_unique<TileResources>();
  tile_->dryTriangleCount = dryTriangles;
}

void RenderSurface::deleteContext() {
  if (!gl_) return;
  finishGL();
  dropTileResources();
  OSMesaMakeCurrent(nullptr, nullptr, GL_UNSIGNED_BYTE, 0, 0);
  OSMesaDestroyContext(gl_->context);
  gl_.reset();
  glDrewLast_ = false;
  contextKept_ = false;
}

std::unique_ptr<RenderSurface> CreateRenderSurface(JobContext& job) {
  auto surface = std::make_unique<RenderSurface>(job.image.width, job.image.height);
  job.surface = surface.get();
  return surface;
}

}  // namespace velkaro
