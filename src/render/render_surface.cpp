#include "render/render_surface.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/osmesa.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <QPainter>

#include "job/job_context.h"

namespace velkaro {

struct RenderSurface::GlContext {
  OSMesaContext context = nullptr;
  const uchar* boundBits = nullptr;
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

// OSMesa keeps the address of the user buffer; an image whose data was
// shared (a copy handed to the host) detaches on the first write, so the
// context is re-bound to wherever the pixels now live.
void RenderSurface::bindImage() {
  if (!hasContext()) return;
  uchar* bits = image_.bits();
  if (bits == gl_->boundBits && OSMesaGetCurrentContext() == gl_->context) return;
  if (OSMesaMakeCurrent(gl_->context, bits, GL_UNSIGNED_BYTE, image_.width(), image_.height())) {
    OSMesaPixelStore(OSMESA_Y_UP, 0);   // row 0 of the buffer is the top row
    gl_->boundBits = bits;
    markChanged(image_.rect());   // the framebuffer must learn the image's pixels
  }
}

// glFinish copies the whole GL framebuffer over the image.
void RenderSurface::finishGL() {
  if (!glDrewLast_) return;
  glDrewLast_ = false;
  if (!hasContext()) return;
  endPainter();
  bindImage();
  glFinish();
}

void RenderSurface::markChanged(const QRect& area) {
  changed_ = changed_.united(area.intersected(image_.rect()));
}

// The changed part of the image becomes the GL framebuffer's content: rows
// from the top, drawn downwards from the area's top-left corner.
void RenderSurface::uploadImage(const QRect& area) {
  GLint rowLength = 0, skipPixels = 0, skipRows = 0, alignment = 0;
  GLfloat zoomX = 1, zoomY = 1;
  glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
  glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &skipPixels);
  glGetIntegerv(GL_UNPACK_SKIP_ROWS, &skipRows);
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glGetFloatv(GL_ZOOM_X, &zoomX);
  glGetFloatv(GL_ZOOM_Y, &zoomY);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(image_.bytesPerLine() / 4));
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, area.x());
  glPixelStorei(GL_UNPACK_SKIP_ROWS, area.y());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelZoom(1.0f, -1.0f);
  glWindowPos2i(area.x(), image_.height() - area.y());
  glDrawPixels(area.width(), area.height(), GL_BGRA, GL_UNSIGNED_BYTE, image_.constBits());
  glPixelZoom(zoomX, zoomY);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, skipPixels);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, skipRows);
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

void RenderSurface::beginGL() {
  endPainter();
  if (!hasContext()) return;
  bindImage();
  if (!changed_.isEmpty()) {
    uploadImage(changed_);
    changed_ = QRect();
  }
  glDrewLast_ = true;
}

void RenderSurface::beginGLReplacingImage() {
  endPainter();
  if (!hasContext()) return;
  bindImage();
  changed_ = QRect();
  glDrewLast_ = true;
}

void RenderSurface::beginGLState() {
  if (hasContext()) bindImage();
}

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

bool RenderSurface::createContext() {
  if (contextKept_ && hasContext()) {
    contextKept_ = false;
    contextIsNew_ = false;
    endPainter();
    bindImage();
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
  bindImage();
  if (!gl_->boundBits) {
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
  bindImage();
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
