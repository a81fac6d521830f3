#pragma once
// A RIFF writer for AVI 1.0 files with one uncompressed video stream: the
// header list (avih, strl with strh and strf), the 'movi' list of frame
// samples and the idx1 index. Sizes and counts that are only known at the
// end are patched in when the file is closed, so a file closed early (an
// aborted animation) is complete and holds the frames written so far.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "output/frame_capture.h"
#include "platform/atomic_file.h"

namespace velkaro {

// The fields of the video stream header the caller chooses; all others are 0.
struct AviVideoStream {
  uint32_t handler = 0x63767372;  // bytes 72 73 76 63
  uint32_t scale = 1;
  uint32_t rate = 1;              // frames per second = rate / scale
  uint32_t length = 0;            // declared samples; raised if more are written
  int width = 0, height = 0;      // frame rectangle (0, 0) - (width, height)
  uint32_t suggestedBufferSize = 0;
};

class AviWriter {
 public:
  // Index flags of every sample.
  static constexpr uint32_t kSampleFlags = 0x0A;
  // RIFF sizes and index offsets are 32-bit: the whole file must stay below.
  static constexpr uint64_t kMaxFileBytes = 0xFFFFFFFFull;

  AviWriter() = default;
  ~AviWriter();
  AviWriter(const AviWriter&) = delete;
  AviWriter& operator=(const AviWriter&) = delete;

  // Each returns false with an errno-style code in *errorCode.
  // Starts the file under a temporary name in path's folder; close() renames
  // it to path once complete (an existing file stays until then).
  bool open(const std::string& path, int* errorCode);
  // The one video stream; only after open(), only once.
  bool createVideoStream(const AviVideoStream& stream, int* errorCode);
  // The stream format: the information header of the frames that follow.
  void setFormat(const BitmapInfoHeader& format) { format_ = format; }
  // Appends one sample at the next frame position. Refused (EFBIG) when the
  // file would outgrow the 32-bit sizes, leaving the file as it was. A write
  // the system refuses (a full disk) condemns the file: close() drops it.
  bool writeFrame(const uint8_t* bits, uint32_t size, int* errorCode);
  // Writes the index and the final sizes and renames the complete file into
  // place. On failure the temporary is removed and path keeps its old file.
  bool close(int* errorCode);

  bool isOpen() const { return file_ != nullptr; }
  uint32_t framesWritten() const { return static_cast<uint32_t>(index_.size()); }

  // Lowers the size limit, so that tests can reach it with small frames.
  void setMaxFileBytesForTest(uint64_t bytes) { maxFileBytes_ = bytes; }

 private:
  struct IndexEntry {
    uint32_t offset, size;
  };
  bool writeHeaders(int* errorCode);
  bool writeAt(long position, const std::vector<uint8_t>& bytes, int* errorCode);
  std::vector<uint8_t> mainHeader() const;
  std::vector<uint8_t> streamHeader() const;

  std::FILE* file_ = nullptr;
  std::unique_ptr<PendingFile> pending_;
  bool hasStream_ = false;
  AviVideoStream stream_;
  BitmapInfoHeader format_;
  std::vector<IndexEntry> index_;
  uint32_t largestSample_ = 0;
  uint64_t moviEnd_ = 0;  // file position after the last sample
  int writeErrno_ = 0;    // a sample write failed: the file is dropped on close
  uint64_t maxFileBytes_ = kMaxFileBytes;
};

}  // namespace velkaro
