#include "output/mp4_writer.h"
#include "platform/atomic_file.h"

#include <QImage>

#include <algorithm>
#include <cstring>

#include "platform/ffmpeg_calls.h"

namespace velkaro {

namespace {

std::string AvErrorText(const FfmpegCalls& ff, int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  ff.av_strerror(code, text, sizeof text);
  return text;
}

// libx264 when this FFmpeg has it, else any H.264 encoder it has.
const AVCodec* FindH264Encoder(const FfmpegCalls& ff) {
  if (const AVCodec* codec = ff.avcodec_find_encoder_by_name("libx264")) return codec;
  return ff.avcodec_find_encoder(AV_CODEC_ID_H264);
}

// Copies the frameWidth x frameHeight corner of frame into padded (the even
// size) and fills the extra column and row with copies of the last ones.
void PadToEvenSize(const QImage& frame, int frameWidth, int frameHeight, QImage& padded) {
  const size_t rowBytes = static_cast<size_t>(frameWidth) * 4;
  for (int y = 0; y < padded.height(); ++y) {
    const uchar* from = frame.constScanLine(std::min(y, frameHeight - 1));
    auto* to = reinterpret_cast<QRgb*>(padded.scanLine(y));
    std::memcpy(to, from, rowBytes);
    for (int x = frameWidth; x < padded.width(); ++x) to[x] = to[frameWidth - 1];
  }
}

}  // namespace

struct Mp4Writer::State {
  explicit State(const FfmpegCalls& calls) : ff(calls) {}
  const FfmpegCalls& ff;
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
  std::string path;
  // Written under a temporary name and renamed into place by close(), so a
  // failed or killed run never leaves a half file under the final name.
  std::unique_ptr<PendingFile> pending;
  int frameWidth = 0, frameHeight = 0;  // the frames' size
  int width = 0, height = 0;            // even output size
  QImage padded;                        // an odd frame grown to the even size
  long frames = 0;
  bool headerWritten = false;

  ~State() {
    ff.sws_freeContext(scaler);
    ff.av_packet_free(&packet);
    ff.av_frame_free(&frame);
    ff.avcodec_free_context(&codec);
    if (format) {
      if (format->pb) ff.avio_closep(&format->pb);
      ff.avformat_free_context(format);
    }
  }

  bool fail(std::string* error, const std::string& what, int code) {
    if (error) *error = path + ": " + what + (code < 0 ? " (" + AvErrorText(ff, code) + ")" : "");
    return false;
  }

  // Sends frame (nullptr flushes) and writes every packet the encoder returns.
  bool encode(AVFrame* input, std::string* error) {
    int code = ff.avcodec_send_frame(codec, input);
    if (code < 0) return fail(error, "H.264 encoding failed", code);
    for (;;) {
      code = ff.avcodec_receive_packet(codec, packet);
      if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return true;
      if (code < 0) return fail(error, "H.264 encoding failed", code);
      ff.av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      code = ff.av_interleaved_write_frame(format, packet);
      if (code < 0) return fail(error, "cannot write the MP4 file", code);
    }
  }
};

Mp4Writer::Mp4Writer() = default;
Mp4Writer::~Mp4Writer() = default;

bool Mp4Writer::isOpen() const { return state_ && state_->headerWritten; }
long Mp4Writer::framesWritten() const { return state_ ? state_->frames : 0; }
std::string Mp4Writer::encoderName() const {
  return state_ && state_->codec && state_->codec->codec ? state_->codec->codec->name : "";
}

bool Mp4Writer::open(const std::string& path, int width, int height, int fps, std::string* error) {
  state_.reset();
  const FfmpegCalls* calls = CallsForWriting(LoadFfmpeg, path, error);
  if (!calls) return false;
  const FfmpegCalls& ff = *calls;
  ff.av_log_set_level(AV_LOG_ERROR);  // the encoder's statistics are not the user's business
  state_ = std::make_unique<State>(ff);
  State& s = *state_;
  s.path = path;
  s.frameWidth = width;
  s.frameHeight = height;
  s.width = EvenSize(width);
  s.height = EvenSize(height);
  if (width <= 0 || height <= 0 || fps <= 0) return s.fail(error, "the frame is too small for a video", 0);

  const AVCodec* encoder = FindH264Encoder(ff);
  if (!encoder) return s.fail(error, "this FFmpeg has no H.264 encoder (libx264)", 0);
  s.pending = std::make_unique<PendingFile>(path);
  std::string createError;
  if (!s.pending->created(&createError)) {
    if (error) *error = createError;
    return false;
  }
  const std::string& temporary = s.pending->temporaryPath();
  int code = ff.avformat_alloc_output_context2(&s.format, nullptr, "mp4", temporary.c_str());
  if (code < 0 || !s.format) return s.fail(error, "cannot create an MP4 file", code);
  s.stream = ff.avformat_new_stream(s.format, nullptr);
  s.codec = ff.avcodec_alloc_context3(encoder);
  s.frame = ff.av_frame_alloc();
  s.packet = ff.av_packet_alloc();
  if (!s.stream || !s.codec || !s.frame || !s.packet) return s.fail(error, "out of memory", 0);

  s.codec->width = s.width;
  s.codec->height = s.height;
  s.codec->pix_fmt = AV_PIX_FMT_YUV420P;
  s.codec->time_base = AVRational{1, fps};
  s.codec->framerate = AVRational{fps, 1};
  s.codec->gop_size = fps * 2;
  s.codec->thread_count = 2;
  if (s.format->oformat->flags & AVFMT_GLOBALHEADER) s.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  // Map colours and thin lines want a higher quality than film defaults.
  ff.av_opt_set(s.codec->priv_data, "preset", "medium", 0);
  ff.av_opt_set(s.codec->priv_data, "crf", "18", 0);
  code = ff.avcodec_open2(s.codec, encoder, nullptr);
  if (code < 0) return s.fail(error, "cannot start the H.264 encoder", code);
  code = ff.avcodec_parameters_from_context(s.stream->codecpar, s.codec);
  if (code < 0) return s.fail(error, "cannot start the H.264 encoder", code);
  s.stream->time_base = s.codec->time_base;
  s.stream->avg_frame_rate = s.codec->framerate;

  s.frame->format = AV_PIX_FMT_YUV420P;
  s.frame->width = s.width;
  s.frame->height = s.height;
  code = ff.av_frame_get_buffer(s.frame, 0);
  if (code < 0) return s.fail(error, "out of memory", code);
  // QImage's 32-bit pixels lie in memory as B, G, R, A.
  s.scaler = ff.sws_getContext(s.width, s.height, AV_PIX_FMT_BGRA, s.width, s.height, AV_PIX_FMT_YUV420P,
                            SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (!s.scaler) return s.fail(error, "cannot convert frames to yuv420p", 0);

  code = ff.avio_open(&s.format->pb, temporary.c_str(), AVIO_FLAG_WRITE);
  if (code < 0) return s.fail(error, "cannot open the file", code);
  // The index at the front, so that a browser starts playing while loading.
  AVDictionary* options = nullptr;
  ff.av_dict_set(&options, "movflags", "+faststart", 0);
  code = ff.avformat_write_header(s.format, &options);
  ff.av_dict_free(&options);
  if (code < 0) return s.fail(error, "cannot write the MP4 header", code);
  s.headerWritten = true;
  return true;
}

bool Mp4Writer::writeFrame(const QImage& image, std::string* error) {
  if (!isOpen()) return false;
  State& s = *state_;
  const FfmpegCalls& ff = s.ff;
  const QImage frame = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
  if (frame.width() < s.frameWidth || frame.height() < s.frameHeight)
    return s.fail(error, "the frame changed its size", 0);
  const QImage* source = &frame;
  if (s.width != s.frameWidth || s.height != s.frameHeight) {
    if (s.padded.isNull()) s.padded = QImage(s.width, s.height, QImage::Format_RGB32);
    if (s.padded.isNull()) return s.fail(error, "out of memory", 0);
    PadToEvenSize(frame, s.frameWidth, s.frameHeight, s.padded);
    source = &s.padded;
  }
  const int code = ff.av_frame_make_writable(s.frame);
  if (code < 0) return s.fail(error, "out of memory", code);
  const uint8_t* planes[1] = {source->constBits()};
  const int stride[1] = {static_cast<int>(source->bytesPerLine())};
  ff.sws_scale(s.scaler, planes, stride, 0, s.height, s.frame->data, s.frame->linesize);
  s.frame->pts = s.frames;
  if (!s.encode(s.frame, error)) return false;
  ++s.frames;
  return true;
}

bool Mp4Writer::close(std::string* error) {
  if (!state_) return true;
  bool ok = true;
  if (state_->headerWritten) {
    ok = state_->encode(nullptr, error);
    const int code = state_->ff.av_write_trailer(state_->format);
    if (ok && code < 0) ok = state_->fail(error, "cannot finish the MP4 file", code);
    if (state_->format->pb) state_->ff.avio_closep(&state_->format->pb);
    if (ok && state_->pending) ok = state_->pending->commit(error);
  }
  state_.reset();
  return ok;
}

}  // namespace velkaro
