#include "platform/ffmpeg_calls.h"

extern "C" {
#include <libavutil/version.h>
#include <libswscale/version.h>
}

namespace velkaro {

#define VELKARO_TEXT(x) #x
#define VELKARO_NUMBER(x) VELKARO_TEXT(x)

// The libraries of the FFmpeg the program was built against, users first.
VELKARO_DEFINE_CALLS_LOADER(FfmpegCalls, LoadFfmpeg, "FFmpeg", VELKARO_FFMPEG_CALLS,
                            "libavformat.so." VELKARO_NUMBER(LIBAVFORMAT_VERSION_MAJOR),
                            "libavcodec.so." VELKARO_NUMBER(LIBAVCODEC_VERSION_MAJOR),
                            "libswscale.so." VELKARO_NUMBER(LIBSWSCALE_VERSION_MAJOR),
                            "libavutil.so." VELKARO_NUMBER(LIBAVUTIL_VERSION_MAJOR))

}  // namespace velkaro
