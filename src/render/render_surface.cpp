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
  GLuint imageTexture = 0;   // the image's size, made at the first upload
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

namespace {

// A texture of the image's size, sampled at the nearest texel; bound.
GLuint NewImageTexture(int width, int height) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
  return texture;
}

// The area of the image into the bound texture: texture row r is image
// row r (the image's rows run top-down). The unpacking state is put back.
void CopyIntoTexture(const QImage& image, const QRect& area) {
  GLint rowLength = 0, skipPixels = 0, skipRows = 0, alignment = 0;
  glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
  glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &skipPixels);
  glGetIntegerv(GL_UNPACK_SKIP_ROWS, &skipRows);
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(image.bytesPerLine() / 4));
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, area.x());
  glPixelStorei(GL_UNPACK_SKIP_ROWS, area.y());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexSubImage2D(GL_TEXTURE_2D, 0, area.x(), area.y(), area.width(), area.height(), GL_BGRA, GL_UNSIGNED_BYTE,
                  image.constBits());
  glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, skipPixels);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, skipRows);
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

// The bound texture (of a width x height image) drawn over the area's own
// pixels, texel for pixel: image row y is window row height - 1 - y. The
// per-fragment operations in force apply; matrices, viewport, enables and
// texture state are put back.
void DrawTextureOver(int width, int height, const QRect& area) {
  glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_TRANSFORM_BIT | GL_VIEWPORT_BIT |
               GL_POLYGON_BIT);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glDisable(GL_POLYGON_STIPPLE);
  glDisable(GL_POLYGON_SMOOTH);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glViewport(0, 0, width, height);
  for (const GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
    glMatrixMode(mode);
    glPushMatrix();
    glLoadIdentity();
  }
  glMatrixMode(GL_PROJECTION);
  glOrtho(0, width, 0, height, -1, 1);
  const int x0 = area.x(), x1 = area.x() + area.width();
  const int top = area.y(), bottom = area.y() + area.height();
  const double s0 = double(x0) / width, s1 = double(x1) / width;
  const double t0 = double(top) / height, t1 = double(bottom) / height;
  glBegin(GL_QUADS);
  glTexCoord2d(s0, t1);
  glVertex2i(x0, height - bottom);
  glTexCoord2d(s1, t1);
  glVertex2i(x1, height - bottom);
  glTexCoord2d(s1, t0);
  glVertex2i(x1, height - top);
  glTexCoord2d(s0, t0);
  glVertex2i(x0, height - top);
  glEnd();
  for (const GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
    glMatrixMode(mode);
    glPopMatrix();
  }
  glPopAttrib();
}

}  // namespace

// The changed part of the image becomes the GL framebuffer's content: it
// goes into a texture of the image's size, made once for the context, and
// is drawn over the same pixels. (glDrawPixels did the same but made a new
// texture of the area's size for every upload, cleared and filled it and
// kept a copy of the pixels besides: a tile's largest use of fresh memory.)
void RenderSurface::uploadImage(const QRect& area) {
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  if (!gl_->imageTexture)
    gl_->imageTexture = NewImageTexture(image_.width(), image_.height());
  else
    glBindTexture(GL_TEXTURE_2D, gl_->imageTexture);
  CopyIntoTexture(image_, area);
  DrawTextureOver(image_.width(), image_.height(), area);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
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
