#pragma once
// The drawing side's reading of a scratch file: the whole file mapped into
// memory, walked line by line (CR LF or LF), numbers parsed from any decimal text.
// Reading past the end gives empty lines, so a loop over a cut-short record
// ends instead of running on.

#include <string>
#include <string_view>

#include "platform/mapped_file.h"

namespace velkaro {

class ScratchReader {
 public:
  ScratchReader() = default;
  // The text is a view into the reader's own storage: it stays in place.
  ScratchReader(const ScratchReader&) = delete;
  ScratchReader& operator=(const ScratchReader&) = delete;

  // False when the file does not exist or cannot be read.
  bool open(const std::string& path);
  void openText(std::string text);   // for tests and in-memory files
  // Back to the first line.
  void rewind() { pos_ = 0, pastEnd_ = false; }

  bool atEnd() const { return pos_ >= text_.size(); }
  // True once a line was asked for at the end of the file.
  bool pastEnd() const { return pastEnd_; }

  std::string_view nextLine();
  // The next line as a number; 0 when it does not parse.
  double nextDouble();
  // The next line as an integer (a decimal text is truncated); 0 when it
  // does not parse.
  long nextInteger();
  // Skips up to count lines; returns how many there were.
  long skipLines(long count);

 private:
  void setText(std::string_view text);

  MappedFile mapped_;
  std::string owned_;
  std::string_view text_;   // the bytes of either
  size_t pos_ = 0;
  bool pastEnd_ = false;
};

// Any decimal floating-point text, leading and trailing blanks allowed.
bool ParseDouble(std::string_view text, double& value);

}  // namespace velkaro
