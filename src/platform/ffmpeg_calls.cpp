#include "platform/ffmpeg_calls.h"

#include <dlfcn.h>

extern "C" {
#include <libavutil/version.h>
#include <libswscale/version.h>
}

#include <vector>

namespace velkaro {

namespace {

#define VELKARO_TEXT(x) #x
#define VELKARO_NUMBER(x) VELKARO_TEXT(x)

// The libraries of the FFmpeg the program was built against, users first
// (a library's own needs come with it).
constexpr const char* kLibraries[] = {
    "libavformat.so." VELKARO_NUMBER(LIBAVFORMAT_VERSION_MAJOR),
    "libavcodec.so." VELKARO_NUMBER(LIBAVCODEC_VERSION_MAJOR),
    "libswscale.so." VELKARO_NUMBER(LIBSWSCALE_VERSION_MAJOR),
    "libavutil.so." VELKARO_NUMBER(LIBAVUTIL_VERSION_MAJOR),
};

struct Loaded {
  FfmpegCalls calls;
  std::string error;
  bool ok = false;
};

// A call from whichever of the opened libraries has it.
void* Find(const std::vector<void*>& libraries, const char* name) {
  for (void* library : libraries)
    if (void* call = dlsym(library, name)) return call;
  return nullptr;
}

Loaded Load() {
  Loaded loaded;
  std::vector<void*> libraries;
  for (const char* name : kLibraries) {
    void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
      loaded.error = std::string("cannot load FFmpeg (") + name + ")";
      return loaded;
    }
    libraries.push_back(library);   // kept for the life of the program
  }
  FfmpegCalls& c = loaded.calls;
#define VELKARO_FFMPEG_CALL(name)                                                  \
  c.name = reinterpret_cast<decltype(c.name)>(Find(libraries, #name));             \
  if (!c.name) {                                                                   \
    loaded.error = std::string("this FFmpeg lacks the call ") + #name;             \
    return loaded;                                                                 \
  }
#include "platform/ffmpeg_call_list.h"
#undef VELKARO_FFMPEG_CALL
  loaded.ok = true;
  return loaded;
}

}  // namespace

const FfmpegCalls* LoadFfmpeg(std::string* error) {
  static const Loaded loaded = Load();
  if (!loaded.ok && error) *error = loaded.error;
  return loaded.ok ? &loaded.calls : nullptr;
}

}  // namespace velkaro
