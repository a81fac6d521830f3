#pragma once
// FFmpeg's encoding calls, looked up when the first video is written rather
// than linked: FFmpeg brings a hundred-odd codec libraries, and loading them
// at every start of every program (each velkaro-cli command, each worker)
// doubled the time a program takes to start.

#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace velkaro {

struct FfmpegCalls {
#define VELKARO_FFMPEG_CALL(name) decltype(&::name) name = nullptr;
#include "platform/ffmpeg_call_list.h"
#undef VELKARO_FFMPEG_CALL
};

// The calls, loaded once (the libraries of the FFmpeg the program was built
// against: libavformat.so.N and so on). Null when a library or a call is
// missing; `error` then names it.
const FfmpegCalls* LoadFfmpeg(std::string* error);

}  // namespace velkaro
