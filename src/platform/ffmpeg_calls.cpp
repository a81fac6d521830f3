#include "platform/ffmpeg_calls.h"

extern "C" {
#include <libavutil/version.h>
#include <libswscale/version.h>
}

#include <vector>

#include "platform/library_calls.h"

namespace velkaro {

namespace {

#define VELKARO_TEXT(x) #x
#define VELKARO_NUMBER(x) VELKARO_TEXT(x)

bool Fill(FfmpegCalls& calls, std::string& error) {
  std::vector<void*> libraries;
  // The libraries of the FFmpeg the program was built against, users first.
  if (!OpenLibraries({"libavformat.so." VELKARO_NUMBER(LIBAVFORMAT_VERSION_MAJOR),
                      "libavcodec.so." VELKARO_NUMBER(LIBAVCODEC_VERSION_MAJOR),
                      "libswscale.so." VELKARO_NUMBER(LIBSWSCALE_VERSION_MAJOR),
                      "libavutil.so." VELKARO_NUMBER(LIBAVUTIL_VERSION_MAJOR)},
                     "FFmpeg", libraries, error))
    return false;
#define VELKARO_FFMPEG_CALL(name) \
  if (!FindCall(libraries, #name, "FFmpeg", calls.name, error)) return false;
#include "platform/ffmpeg_call_list.h"
#undef VELKARO_FFMPEG_CALL
  return true;
}

}  // namespace

const FfmpegCalls* LoadFfmpeg(std::string* error) { return CallsLoadedOnce<FfmpegCalls>(Fill, error); }

}  // namespace velkaro
