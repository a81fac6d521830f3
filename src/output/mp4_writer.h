#pragma once
// An MP4 file with one H.264 video stream (yuv420p, even dimensions), written
// through FFmpeg's libraries: the flood animation in a form that browsers and
// video players play. Frames are the 32-bit render frame. H.264 4:2:0 needs
// an even width and height: an odd frame is padded by repeating its last
// column or row, so no map content is lost.

#include <memory>
#include <string>

class QImage;

namespace velkaro {

class Mp4Writer {
 public:
  Mp4Writer();
  ~Mp4Writer();
  Mp4Writer(const Mp4Writer&) = delete;
  Mp4Writer& operator=(const Mp4Writer&) = delete;

  // Creates (or replaces) the file for frames of width x height at fps
  // frames per second. False with a message in *error.
  bool open(const std::string& path, int width, int height, int fps, std::string* error);
  // Appends one frame; the image must have (at least) the size given to open().
  bool writeFrame(const QImage& frame, std::string* error);
  // Flushes the encoder and writes the index; the file is complete after.
  bool close(std::string* error);

  bool isOpen() const;
  long framesWritten() const;
  // The encoder in use ("libx264" when FFmpeg has it).
  std::string encoderName() const;

  // Even output size for a frame size: an odd size grows by one.
  static int EvenSize(int size) { return size + (size & 1); }

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace velkaro
