#pragma once
// FFmpeg's encoding calls, looked up when the first video is written rather
// than linked: FFmpeg brings a hundred-odd codec libraries, and loading them
// at every start of every program (each velkaro-cli command, each worker)
// doubled the time a program takes to start.

#include <string>

#include "platform/library_calls.h"

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

// The calls the video writer makes.
#define VELKARO_FFMPEG_CALLS(X) \
  X(av_dict_free) \
  X(av_dict_set) \
  X(av_frame_alloc) \
  X(av_frame_free) \
  X(av_frame_get_buffer) \
  X(av_frame_make_writable) \
  X(av_interleaved_write_frame) \
  X(av_log_set_level) \
  X(av_opt_set) \
  X(av_packet_alloc) \
  X(av_packet_free) \
  X(av_packet_rescale_ts) \
  X(av_strerror) \
  X(av_write_trailer) \
  X(avcodec_alloc_context3) \
  X(avcodec_find_encoder) \
  X(avcodec_find_encoder_by_name) \
  X(avcodec_free_context) \
  X(avcodec_open2) \
  X(avcodec_parameters_from_context) \
  X(avcodec_receive_packet) \
  X(avcodec_send_frame) \
  X(avformat_alloc_output_context2) \
  X(avformat_free_context) \
  X(avformat_new_stream) \
  X(avformat_write_header) \
  X(avio_closep) \
  X(avio_open) \
  X(sws_freeContext) \
  X(sws_getContext) \
  X(sws_scale)

struct FfmpegCalls {
  VELKARO_FFMPEG_CALLS(VELKARO_CALL_MEMBER)
};

// The calls, loaded once (the libraries of the FFmpeg the program was built
// against: libavformat.so.N and so on). Null when a library or a call is
// missing; `error` then names it.
const FfmpegCalls* LoadFfmpeg(std::string* error);

}  // namespace velkaro
