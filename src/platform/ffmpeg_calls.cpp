#include "platform/ffmpeg_calls.h"

extern "C" {
#include <libavutil/version.h>
#include <libswscale/version.h>
}

#include <vector>

namespace velkaro {

namespace {

#define VELKARO_TEXT(x) #x
#define VELKARO_NUMBER(x) VELKARO_TEXT(x)

bool Fill(FfmpegCalls& calls, std::string& error) {
  std::vector<void*> libraries;
  const char* const what = "FFmpeg";
  // The libraries of the FFmpeg the program was built against, users first.
  return OpenLibraries({"libavformat.so." VELKARO_NUMBER(LIBAVFORMAT_VERSION_MAJOR),
                        "libavcodec.so." VELKARO_NUMBER(LIBAVCODEC_VERSION_MAJOR),
                        "libswscale.so." VELKARO_NUMBER(LIBSWSCALE_VERSION_MAJOR),
                        "libavutil.so." VELKARO_NUMBER(LIBAVUTIL_VERSION_MAJOR)},
                       what, libraries, error) VELKARO_FFMPEG_CALLS(VELKARO_FIND_CALL);
}

}  // namespace

const FfmpegCalls* LoadFfmpeg(std::string* error) { return CallsLoadedOnce<FfmpegCalls>(Fill, error); }

}  // namespace velkaro
