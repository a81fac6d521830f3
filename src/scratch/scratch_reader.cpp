#include "scratch/scratch_reader.h"
#include "platform/text_scan.h"


#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>

namespace velkaro {

bool ScratchReader::open(const std::string& path) {
  // Mapped rather than copied: scratch files run to hundreds of megabytes.
  MappedFile mapped;
  if (!mapped.open(path)) return false;
  owned_.clear();
  mapped_ = std::move(mapped);
  setText(mapped_.bytes());
  return true;
}

void ScratchReader::openText(std::string text) {
  mapped_.close();
  owned_ = std::move(text);
  setText(owned_);
}

void ScratchReader::setText(std::string_view text) {
  text_ = text;
  // A byte-order mark is not part of the first value.
  if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
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

namespace {

// Powers of ten that are exact in a double.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The plane coordinate form the scratch files are written in: a sign or a
// blank, one digit, a point, 14 digits, 'E', a sign and four digits. Its 15
// digits are an exact integer and the scale an exact power of ten, so one
// multiplication or division gives the correctly rounded value, the same as
// from_chars. False for any other text (and for scales beyond the exact
// powers), which then takes the general parse.
bool ParsePlaneForm(std::string_view text, double& value) {
  if (text.size() != 23 || (text[0] != ' ' && text[0] != '-') || text[2] != '.' || text[17] != 'E' ||
      (text[18] != '+' && text[18] != '-'))
    return false;
  // The digits after the point are read as bytes 3..10 and as 9..16 with 9
  // and 10 set to '0' (the last six); the exponent as 15..22 with the four
  // bytes before its digits set to '0'.
  const unsigned lead = static_cast<unsigned>(text[1] - '0');
  const uint64_t middle = EightBytesAt(text.data() + 3);
  const uint64_t last = (EightBytesAt(text.data() + 9) & ~uint64_t{0xFFFF}) | 0x3030;
  const uint64_t exponentBytes = (EightBytesAt(text.data() + 15) & ~uint64_t{0xFFFFFFFF}) | 0x30303030;
  if (lead > 9 || !EightDigits(middle) || !EightDigits(last) || !EightDigits(exponentBytes)) return false;
  const uint64_t mantissa = lead * uint64_t{100000000000000} + uint64_t{EightDigitsValue(middle)} * 1000000 +
                            EightDigitsValue(last);
  const int exponent = static_cast<int>(EightDigitsValue(exponentBytes));
  const int scale = (text[18] == '-' ? -exponent : exponent) - 14;
  if (scale < -22 || scale > 22) return false;
  const double m = static_cast<double>(mantissa);
  const double v = scale < 0 ? m / kExactPowers[-scale] : m * kExactPowers[scale];
  value = text[0] == '-' ? -v : v;
  return true;
}

}  // namespace

bool ParseDouble(std::string_view text, double& value) {
  return ParsePlaneForm(text, value) || ParseFiniteDecimal(text, value, " \t\r");
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
