#include "render/render_surface.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/osmesa.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <QPainter>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "job/job_context.h"
#include "render/colours.h"

namespace velkaro {

// GL draws into `target`, a texture of the image's size behind a
// framebuffer object, rather than into OSMesa's own framebuffer (a single
// pixel, never drawn into): the image then goes in and comes out by plain
// copies. (OSMesa's framebuffer took the image by drawing it as a textured
// rectangle, whose shaders every process compiled anew, and gave it back by
// a copy of its own at every flush, also the clear's.) The framebuffer's
// rows run down from the image's top row, as OSMesa's did, so that GL
// breaks ties between pixels (an edge through pixel centres) as before and
// rows pass unturned; viewports are given through setViewport.
struct RenderSurface::GlContext {
  OSMesaContext context = nullptr;
  uint32_t windowPixel = 0;
  GLuint framebuffer = 0, target = 0;
};

RenderSurface::RenderSurface(int width, int height)
    : image_(width, height, QImage::Format_RGB32),
      tile_(std::make_unique<TileResources>()),
      drawer_(*this),
      viewport_{0, 0, width, height} {
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

// The whole framebuffer over the image.
void RenderSurface::readFramebuffer() {
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_PACK_ROW_LENGTH, static_cast<GLint>(image_.bytesPerLine() / 4));
  glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_PACK_SKIP_ROWS, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, image_.width(), image_.height(), GL_BGRA, GL_UNSIGNED_BYTE, image_.bits());
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
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glBindTexture(GL_TEXTURE_2D, gl_->target);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(image_.bytesPerLine() / 4));
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, area.x());
  glPixelStorei(GL_UNPACK_SKIP_ROWS, area.y());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexSubImage2D(GL_TEXTURE_2D, 0, area.x(), area.y(), area.width(), area.height(), GL_BGRA, GL_UNSIGNED_BYTE,
                  image_.constBits());
  glPopClientAttrib();
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
}

void RenderSurface::setViewport(int x, int y, int width, int height) {
  viewport_ = {x, y, width, height};
  if (glReadyForTile()) applyViewport();
}

void RenderSurface::applyViewport() {
  glViewport(viewport_[0], image_.height() - viewport_[1] - viewport_[3], viewport_[2], viewport_[3]);
}

std::array<int, 4> RenderSurface::viewport() const { return viewport_; }

bool RenderSurface::glReadyForTile() const { return hasContext() && (glOpenForTile_ || !tileOpen_); }

void RenderSurface::openTile(std::function<bool()> openGl) {
  forgetTile();
  tileOpen_ = true;
  glOpener_ = std::move(openGl);
}

// No tile open: no GL to open for it, no state waiting for GL.
void RenderSurface::forgetTile() {
  tileOpen_ = false;
  glOpenForTile_ = false;
  glOpener_ = nullptr;
  pendingColour_.reset();
  pendingLineWidth_.reset();
}

// GL opened for the open tile on its first use, with the state set before.
bool RenderSurface::ensureGl() {
  if (tileOpen_ && !glOpenForTile_) {
    glOpenForTile_ = true;
    const std::function<bool()> open = std::exchange(glOpener_, nullptr);
    if (!open || !open()) return false;
    if (pendingColour_) gcolor(*pendingColour_);
    if (pendingLineWidth_) glLineWidth(*pendingLineWidth_);
    pendingColour_.reset();
    pendingLineWidth_.reset();
  }
  return makeCurrent();
}

// Whether GL state can be set now (GL open for the tile, made current);
// else it waits for GL to open.
bool RenderSurface::glStateNow() { return glReadyForTile() && makeCurrent(); }

void RenderSurface::setGlColour(Colour colour) {
  if (glStateNow())
    gcolor(colour);
  else
    pendingColour_ = colour;
}

void RenderSurface::setGlLineWidth(float width) {
  if (glStateNow())
    glLineWidth(width);
  else
    pendingLineWidth_ = width;
}

void RenderSurface::beginGL() {
  endPainter();
  if (!ensureGl()) return;
  // A clear the whole image's upload would cover is not worth its time.
  if (clearPending_ && changed_ != image_.rect()) {
    glClearColor(RedOf(*clearPending_) / 255.0f, GreenOf(*clearPending_) / 255.0f, BlueOf(*clearPending_) / 255.0f,
                 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  clearPending_.reset();
  if (!changed_.isEmpty()) {
    uploadImage(changed_);
    changed_ = QRect();
  }
  glDrewLast_ = true;
}

void RenderSurface::beginGLState() { ensureGl(); }

void RenderSurface::clearTo(Colour colour) {
  endPainter();
  image_.fill(qRgb(RedOf(colour), GreenOf(colour), BlueOf(colour)));
  changed_ = QRect();
  glDrewLast_ = false;
  // GL's framebuffer follows when GL next draws: often the image is drawn
  // over whole first (the relief) and goes up to GL in place of the clear.
  clearPending_ = colour;
  makeCurrent();
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

// The framebuffer object GL draws into, bound, with the viewport and
// scissor box a window of the image's size starts with; false with what
// failed in error.
bool RenderSurface::attachFramebuffer(std::string& error) {
  const int width = image_.width(), height = image_.height();
  glGenTextures(1, &gl_->target);
  glBindTexture(GL_TEXTURE_2D, gl_->target);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  // Stored in the image's own byte order (blue, green, red, alpha): asked
  // for as plain GL_RGBA with BGRA bytes, Mesa keeps the texture as BGRA, so
  // handing the image up to GL and reading it back are straight copies. A
  // sized GL_RGBA8 is kept as RGBA and every hand-over swaps each pixel's
  // bytes (3.4 ms instead of 0.75 for a 2048 x 1448 image).
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
  glBindTexture(GL_TEXTURE_2D, 0);
  glGenFramebuffers(1, &gl_->framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, gl_->framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, gl_->target, 0);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    error = "OSMesa: no framebuffer of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
    return false;
  }
  // Rows down from the top: the upper left window corner is GL's origin.
  const auto clipControl = reinterpret_cast<void (*)(GLenum, GLenum)>(OSMesaGetProcAddress("glClipControl"));
  while (glGetError() != GL_NO_ERROR) {
  }
  if (clipControl) clipControl(GL_UPPER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
  if (!clipControl || glGetError() != GL_NO_ERROR) {
    error = "OSMesa: no glClipControl";
    return false;
  }
  glViewport(0, 0, width, height);
  glScissor(0, 0, width, height);
  return true;
}

bool RenderSurface::createContext(std::string* error) {
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
  std::string failure = "OSMesa: no context";
  if (!context) {
    if (error) *error = failure;
    return false;
  }
  endPainter();
  gl_ = std::make_unique<GlContext>();
  gl_->context = context;
  if (!makeCurrent() || !attachFramebuffer(failure)) {
    OSMesaMakeCurrent(nullptr, nullptr, GL_UNSIGNED_BYTE, 0, 0);
    OSMesaDestroyContext(context);
    gl_.reset();
    if (error) *error = failure;
    return false;
  }
  markChanged(image_.rect());   // a new framebuffer knows nothing of the image
  glDrewLast_ = false;
  SaveNewContextState();
  contextIsNew_ = true;
  keptLists_ = KeptLists{};
  return true;
}

void RenderSurface::closeTile(int keptLists, int listCount) {
  // A tile that never opened GL leaves a kept context as it was.
  const bool glUsed = glOpenForTile_ || !tileOpen_;
  forgetTile();
  viewport_ = {0, 0, image_.width(), image_.height()};
  view_ = View{};
  if (!gl_ || !glUsed) {
    dropTileResources();
    return;
  }
  finishGL();
  makeCurrent();
  if (listCount > keptLists) glDeleteLists(static_cast<GLuint>(keptLists + 1), listCount - keptLists);
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
  forgetTile();
  if (!gl_) return;
  finishGL();
  dropTileResources();
  OSMesaMakeCurrent(nullptr, nullptr, GL_UNSIGNED_BYTE, 0, 0);
  OSMesaDestroyContext(gl_->context);
  gl_.reset();
  glDrewLast_ = false;
  contextKept_ = false;
  keptLists_ = KeptLists{};
}

std::unique_ptr<RenderSurface> CreateRenderSurface(JobContext& job) {
  auto surface = std::make_unique<RenderSurface>(job.image.width, job.image.height);
  job.surface = surface.get();
  return surface;
}

}  // namespace velkaro
