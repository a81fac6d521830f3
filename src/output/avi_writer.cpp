#include "output/avi_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace velkaro {
namespace {

// File positions of the fixed header block.
constexpr long kHeaderListStart = 12;    // LIST hdrl
constexpr long kStreamListStart = 88;    // LIST strl
constexpr long kMoviListStart = 212;     // LIST movi
constexpr long kMoviFourCc = 220;        // index offsets count from here
constexpr long kFirstSample = 224;
constexpr uint32_t kMainHeaderBytes = 56;
constexpr uint32_t kStreamHeaderBytes = 56;
constexpr uint32_t kHasIndex = 0x10;
constexpr char kSampleId[] = "00db";     // stream 0, uncompressed frame

class Bytes {
 public:
  Bytes& u16(uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
    return *this;
  }
  Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Bytes& fourcc(const char* id) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(id[i]));
    return *this;
  }
  Bytes& raw(const std::vector<uint8_t>& bytes) {
    for (uint8_t byte : bytes) out.push_back(byte);
    return *this;
  }
  std::vector<uint8_t> out;
};

uint32_t Padded(uint32_t size) { return size + (size & 1); }

int LastError() { return errno != 0 ? errno : EIO; }

}  // namespace

AviWriter::~AviWriter() {
  if (file_) close(nullptr);
}

bool AviWriter::open(const std::string& path, int* errorCode) {
  if (file_) {
    if (errorCode) *errorCode = EBUSY;
    return false;
  }
  // The frames go to a temporary name; close() renames the finished file
  // into place, so a killed job never leaves a broken file under the name.
  auto pending = std::make_unique<PendingFile>(path);
  errno = 0;
  if (!pending->created(nullptr) || !(file_ = std::fopen(pending->temporaryPath().c_str(), "w+b"))) {
    if (errorCode) *errorCode = LastError();
    return false;
  }
  pending_ = std::move(pending);
  hasStream_ = false;
  writeErrno_ = 0;
  index_.clear();
  largestSample_ = 0;
  moviEnd_ = kFirstSample;
  return true;
}

bool AviWriter::createVideoStream(const AviVideoStream& stream, int* errorCode) {
  if (!file_ || hasStream_) {
    if (errorCode) *errorCode = EBUSY;
    return false;
  }
  if (stream.rate == 0 || stream.scale == 0 || stream.width <= 0 || stream.height <= 0 ||
      stream.width > 0x7FFF || stream.height > 0x7FFF) {
    if (errorCode) *errorCode = EINVAL;
    return false;
  }
  stream_ = stream;
  if (!writeHeaders(errorCode)) return false;
  hasStream_ = true;
  return true;
}

bool AviWriter::writeFrame(const uint8_t* bits, uint32_t size, int* errorCode) {
  if (!file_ || !hasStream_) {
    if (errorCode) *errorCode = EBADF;
    return false;
  }
  const uint64_t sampleEnd = moviEnd_ + 8 + Padded(size);
  const uint64_t fileEnd = sampleEnd + 8 + 16 * (index_.size() + 1);
  if (fileEnd > maxFileBytes_) {
    if (errorCode) *errorCode = EFBIG;
    return false;
  }
  Bytes chunk;
  chunk.fourcc(kSampleId).u32(size);
  errno = 0;
  const bool written = std::fseek(file_, static_cast<long>(moviEnd_), SEEK_SET) == 0 &&
                       std::fwrite(chunk.out.data(), 1, chunk.out.size(), file_) == chunk.out.size() &&
                       (size == 0 || std::fwrite(bits, 1, size, file_) == size) &&
                       ((size & 1) == 0 || std::fputc(0, file_) != EOF);
  if (!written) {
    // A file that lost a frame to the disk must not pass for a whole one:
    // close() drops it and the previous file stays.
    writeErrno_ = LastError();
    if (errorCode) *errorCode = writeErrno_;
    return false;
  }
  index_.push_back({static_cast<uint32_t>(moviEnd_ - kMoviFourCc), size});
  largestSample_ = std::max(largestSample_, size);
  moviEnd_ = sampleEnd;
  return true;
}

bool AviWriter::close(int* errorCode) {
  if (!file_) return true;
  bool ok = true;
  int code = 0;
  if (hasStream_) {
    Bytes idx1;
    idx1.fourcc("idx1").u32(static_cast<uint32_t>(16 * index_.size()));
    for (const IndexEntry& e : index_) idx1.fourcc(kSampleId).u32(kSampleFlags).u32(e.offset).u32(e.size);
    const uint64_t fileEnd = moviEnd_ + idx1.out.size();
    ok = writeAt(static_cast<long>(moviEnd_), idx1.out, &code) && writeHeaders(&code);
    if (ok) {
      Bytes riffSize;
      riffSize.u32(static_cast<uint32_t>(fileEnd - 8));
      Bytes moviSize;
      moviSize.u32(static_cast<uint32_t>(moviEnd_ - (kMoviListStart + 8)));
      ok = writeAt(4, riffSize.out, &code) && writeAt(kMoviListStart + 4, moviSize.out, &code);
    }
    if (ok && std::fflush(file_) != 0) ok = false, code = LastError();
    // Drop the remains of a sample whose write failed.
    if (ok && ftruncate(fileno(file_), static_cast<off_t>(fileEnd)) != 0) ok = false, code = LastError();
  }
  if (std::fclose(file_) != 0 && ok) ok = false, code = LastError();
  file_ = nullptr;
  hasStream_ = false;
  if (ok && writeErrno_ != 0) ok = false, code = writeErrno_;
  // A complete file replaces the previous one; a failed one is dropped.
  if (ok && !pending_->commit(nullptr)) ok = false, code = LastError();
  pending_.reset();
  writeErrno_ = 0;
  if (!ok && errorCode) *errorCode = code;
  return ok;
}

bool AviWriter::writeAt(long position, const std::vector<uint8_t>& bytes, int* errorCode) {
  errno = 0;
  if (std::fseek(file_, position, SEEK_SET) == 0 &&
      std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size())
    return true;
  if (errorCode) *errorCode = LastError();
  return false;
}

std::vector<uint8_t> AviWriter::mainHeader() const {
  const uint32_t frames = framesWritten();
  Bytes b;
  b.u32(static_cast<uint32_t>(1000000ull * stream_.scale / stream_.rate))  // microseconds per frame
      .u32(static_cast<uint32_t>(std::min<uint64_t>(
          0xFFFFFFFFull, uint64_t{largestSample_} * stream_.rate / stream_.scale)))  // max bytes/s
      .u32(0)                                          // padding granularity
      .u32(kHasIndex)
      .u32(frames)                                     // total frames
      .u32(0)                                          // initial frames
      .u32(1)                                          // streams
      .u32(largestSample_)                             // suggested buffer size
      .u32(static_cast<uint32_t>(stream_.width))
      .u32(static_cast<uint32_t>(stream_.height))
      .u32(0).u32(0).u32(0).u32(0);                    // reserved
  return b.out;
}

std::vector<uint8_t> AviWriter::streamHeader() const {
  const uint32_t length = std::max(stream_.length, framesWritten());
  Bytes b;
  b.fourcc("vids")
      .u32(stream_.handler)
      .u32(0)                   // flags
      .u16(0).u16(0)            // priority, language
      .u32(0)                   // initial frames
      .u32(stream_.scale)
      .u32(stream_.rate)
      .u32(0)                   // start
      .u32(length)
      .u32(stream_.suggestedBufferSize)
      .u32(0)                   // quality
      .u32(0)                   // sample size: samples vary
      .u16(0).u16(0)            // frame rectangle left, top
      .u16(static_cast<uint32_t>(stream_.width))
      .u16(static_cast<uint32_t>(stream_.height));
  return b.out;
}

bool AviWriter::writeHeaders(int* errorCode) {
  const std::array<uint8_t, BitmapInfoHeader::kBytes> format = format_.bytes();
  Bytes b;
  b.fourcc("RIFF").u32(0).fourcc("AVI ");
  b.fourcc("LIST").u32(kMoviListStart - kHeaderListStart - 8).fourcc("hdrl");
  b.fourcc("avih").u32(kMainHeaderBytes).raw(mainHeader());
  b.fourcc("LIST").u32(kMoviListStart - kStreamListStart - 8).fourcc("strl");
  b.fourcc("strh").u32(kStreamHeaderBytes).raw(streamHeader());
  b.fourcc("strf").u32(BitmapInfoHeader::kBytes).raw({format.begin(), format.end()});
  b.fourcc("LIST").u32(4).fourcc("movi");
  return writeAt(0, b.out, errorCode);
}

}  // namespace velkaro
