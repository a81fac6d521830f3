#include "scratch/scratch_reader.h"

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

bool ParseDouble(std::string_view text, double& value) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

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
