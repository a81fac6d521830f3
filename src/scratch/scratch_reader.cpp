#include "scratch/scratch_reader.h"
#include "platform/text_scan.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace velkaro {

bool ScratchReader::open(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  openText(std::move(text));
  return true;
}

void ScratchReader::openText(std::string text) {
  text_ = std::move(text);
  // A byte-order mark is not part of the first value.
  if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0) text_.erase(0, 3);
  rewind();
}

std::string_view ScratchReader::nextLine() {
  if (pos_ >= text_.size()) {
    pastEnd_ = true;
    return {};
  }
  const char* begin = text_.data() + pos_;
  const size_t left = text_.size() - pos_;
  const void* nl = std::memchr(begin, '\n', left);
  size_t len = nl ? static_cast<size_t>(static_cast<const char*>(nl) - begin) : left;
  pos_ += nl ? len + 1 : len;
  if (len > 0 && begin[len - 1] == '\r') --len;
  return {begin, len};
}

bool ParseDouble(std::string_view text, double& value) { return ParseFiniteDecimal(text, value, " \t\r"); }


double ScratchReader::nextDouble() {
  double v = 0;
  return ParseDouble(nextLine(), v) ? v : 0.0;
}

long ScratchReader::nextInteger() {
  double v = 0;
  if (!ParseDouble(nextLine(), v)) return 0;
  if (v > 2e9 || v < -2e9) return 0;   // no count or pixel is that large
  return static_cast<long>(std::trunc(v));
}

long ScratchReader::skipLines(long count) {
  long k = 0;
  for (; k < count && !atEnd(); ++k) nextLine();
  return k;
}

}  // namespace velkaro
