#include "platform/gl_calls.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/osmesa.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include "platform/library_calls.h"

// Every GL and OSMesa call the programs and their tests make:
// X(result, name, (parameters), (arguments)).
#define VELKARO_GL_CALLS(X)                                                                              \
  X(void, glBegin, (GLenum mode), (mode))                                                                \
  X(void, glBindFramebuffer, (GLenum target, GLuint framebuffer), (target, framebuffer))                 \
  X(void, glBindTexture, (GLenum target, GLuint texture), (target, texture))                             \
  X(void, glCallList, (GLuint list), (list))                                                             \
  X(GLenum, glCheckFramebufferStatus, (GLenum target), (target))                                         \
  X(void, glClear, (GLbitfield mask), (mask))                                                            \
  X(void, glClearColor, (GLclampf r, GLclampf g, GLclampf b, GLclampf a), (r, g, b, a))                  \
  X(void, glColor3d, (GLdouble r, GLdouble g, GLdouble b), (r, g, b))                                    \
  X(void, glColor3f, (GLfloat r, GLfloat g, GLfloat b), (r, g, b))                                       \
  X(void, glColor3fv, (const GLfloat* v), (v))                                                           \
  X(void, glColor3ub, (GLubyte r, GLubyte g, GLubyte b), (r, g, b))                                      \
  X(void, glColorPointer, (GLint size, GLenum type, GLsizei stride, const GLvoid* p), (size, type, stride, p)) \
  X(void, glDeleteLists, (GLuint list, GLsizei range), (list, range))                                    \
  X(void, glDisable, (GLenum cap), (cap))                                                                \
  X(void, glDisableClientState, (GLenum cap), (cap))                                                     \
  X(void, glDrawArrays, (GLenum mode, GLint first, GLsizei count), (mode, first, count))                 \
  X(void, glEnable, (GLenum cap), (cap))                                                                 \
  X(void, glEnableClientState, (GLenum cap), (cap))                                                      \
  X(void, glEnd, (), ())                                                                                 \
  X(void, glEndList, (), ())                                                                             \
  X(void, glFramebufferTexture2D, (GLenum target, GLenum attachment, GLenum texTarget, GLuint texture,  \
                                   GLint level),                                                       \
    (target, attachment, texTarget, texture, level))                                                     \
  X(void, glGenFramebuffers, (GLsizei n, GLuint* framebuffers), (n, framebuffers))                       \
  X(void, glGenTextures, (GLsizei n, GLuint* textures), (n, textures))                                   \
  X(GLuint, glGenLists, (GLsizei range), (range))                                                        \
  X(void, glGetDoublev, (GLenum name, GLdouble* out), (name, out))                                       \
  X(GLenum, glGetError, (), ())                                                                          \
  X(void, glGetFloatv, (GLenum name, GLfloat* out), (name, out))                                         \
  X(void, glGetIntegerv, (GLenum name, GLint* out), (name, out))                                         \
  X(GLboolean, glIsEnabled, (GLenum cap), (cap))                                                         \
  X(GLboolean, glIsList, (GLuint list), (list))                                                          \
  X(void, glLineWidth, (GLfloat width), (width))                                                         \
  X(void, glLoadIdentity, (), ())                                                                        \
  X(void, glMatrixMode, (GLenum mode), (mode))                                                           \
  X(void, glMultiDrawArrays, (GLenum mode, const GLint* first, const GLsizei* count, GLsizei n),         \
    (mode, first, count, n))                                                                             \
  X(void, glNewList, (GLuint list, GLenum mode), (list, mode))                                           \
  X(void, glOrtho, (GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f),             \
    (l, r, b, t, n, f))                                                                                  \
  X(void, glPixelStorei, (GLenum name, GLint value), (name, value))                                      \
  X(void, glPopAttrib, (), ())                                                                           \
  X(void, glPopClientAttrib, (), ())                                                                     \
  X(void, glPopMatrix, (), ())                                                                           \
  X(void, glPushAttrib, (GLbitfield mask), (mask))                                                       \
  X(void, glPushClientAttrib, (GLbitfield mask), (mask))                                                 \
  X(void, glPushMatrix, (), ())                                                                          \
  X(void, glReadPixels, (GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, GLvoid* p),  \
    (x, y, w, h, format, type, p))                                                                       \
  X(void, glScaled, (GLdouble x, GLdouble y, GLdouble z), (x, y, z))                                     \
  X(void, glScissor, (GLint x, GLint y, GLsizei w, GLsizei h), (x, y, w, h))                             \
  X(void, glTexImage2D, (GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h, GLint border,  \
                         GLenum format, GLenum type, const GLvoid* p),                                   \
    (target, level, internal, w, h, border, format, type, p))                                            \
  X(void, glTexParameteri, (GLenum target, GLenum name, GLint value), (target, name, value))             \
  X(void, glTexSubImage2D, (GLenum target, GLint level, GLint x, GLint y, GLsizei w, GLsizei h,          \
                            GLenum format, GLenum type, const GLvoid* p),                                \
    (target, level, x, y, w, h, format, type, p))                                                        \
  X(void, glTranslated, (GLdouble x, GLdouble y, GLdouble z), (x, y, z))                                 \
  X(void, glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))                                    \
  X(void, glVertex2d, (GLdouble x, GLdouble y), (x, y))                                                  \
  X(void, glVertex3dv, (const GLdouble* v), (v))                                                         \
  X(void, glVertexPointer, (GLint size, GLenum type, GLsizei stride, const GLvoid* p), (size, type, stride, p)) \
  X(void, glViewport, (GLint x, GLint y, GLsizei w, GLsizei h), (x, y, w, h))                            \
  X(OSMesaContext, OSMesaCreateContextExt,                                                               \
    (GLenum format, GLint depth, GLint stencil, GLint accum, OSMesaContext share),                       \
    (format, depth, stencil, accum, share))                                                              \
  X(void, OSMesaDestroyContext, (OSMesaContext context), (context))                                      \
  X(OSMesaContext, OSMesaGetCurrentContext, (), ())                                                      \
  X(OSMESAproc, OSMesaGetProcAddress, (const char* name), (name))                                        \
  X(GLboolean, OSMesaMakeCurrent, (OSMesaContext context, void* buffer, GLenum type, GLsizei w, GLsizei h), \
    (context, buffer, type, w, h))

namespace velkaro {
namespace {

#define VELKARO_GL_MEMBER(result, name, parameters, arguments) VELKARO_CALL_MEMBER(name)
struct GlCalls {
  VELKARO_GL_CALLS(VELKARO_GL_MEMBER)
};

#define VELKARO_GL_FIND(result, name, parameters, arguments) VELKARO_FIND_CALL(name)
bool FillGlCalls(GlCalls& calls, std::string& error) {
  std::vector<void*> libraries;
  const char* const what = "OSMesa";
  return OpenLibraries({VELKARO_OSMESA_SONAME}, what, libraries, error, SymbolLookup::OwnFirst)
      VELKARO_GL_CALLS(VELKARO_GL_FIND);
}

const GlCalls* Gl(std::string* error = nullptr) { return CallsLoadedOnce<GlCalls>(FillGlCalls, error); }

}  // namespace

bool LoadGl(std::string* error) { return Gl(error) != nullptr; }

}  // namespace velkaro

// The calls themselves, passed on to the library (nothing, or zero, when it
// could not be opened).
#define VELKARO_GL_PASS_ON(result, name, parameters, arguments)    \
  extern "C" result name parameters {                              \
    const velkaro::GlCalls* calls = velkaro::Gl();                 \
    return calls ? calls->name arguments : result();               \
  }
VELKARO_GL_CALLS(VELKARO_GL_PASS_ON)
