#pragma once
// Scanning small pieces of text: trimming and whole-text number parsing, the
// same way in every reader of settings, scratch files and sources.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>

namespace velkaro {

// Blanks of a settings value or a source line: spaces and tabs.
inline constexpr std::string_view kBlanks = " \t";
// Blanks and line ends, for text that may still carry its CR or LF.
inline constexpr std::string_view kBlanksAndLineEnds = " \t\r\n";

// Whether c is one of the few characters of `set`.
inline bool OneOf(char c, std::string_view set) {
  for (const char s : set)
    if (c == s) return true;
  return false;
}

// text without the characters of `set` at either end. A plain loop: the
// readers trim millions of short lines, most with nothing to trim, and the
// library's search for a character not in a set looks each one up with a
// call of its own.
inline std::string_view Trim(std::string_view text, std::string_view set = kBlanks) {
  size_t first = 0, end = text.size();
  while (first < end && OneOf(text[first], set)) ++first;
  while (end > first && OneOf(text[end - 1], set)) --end;
  return text.substr(first, end - first);
}

// Whether a and b are the same text but for the case of ASCII letters. Only
// ASCII is folded: the bytes of UTF-8 and Shift_JIS text compare as they
// are, whatever the locale (the library's tolower is a call per byte and
// follows the locale).
inline bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x == y) continue;
    if ((x | 0x20) != (y | 0x20) || static_cast<unsigned>((x | 0x20) - 'a') > 'z' - 'a') return false;
  }
  return true;
}

// Eight bytes of text as one little-endian word, the first byte lowest.
inline uint64_t EightBytesAt(const char* p) {
  uint64_t bytes;
  std::memcpy(&bytes, p, sizeof bytes);
  return bytes;
}

// Whether eight bytes (EightBytesAt) are all decimal digits: each byte's
// high half is 3, and stays 3 once 6 is added to it (from ':' on it would
// carry).
inline bool EightDigits(uint64_t bytes) {
  constexpr uint64_t kHighHalves = 0xF0F0F0F0F0F0F0F0;
  return ((bytes & kHighHalves) | (((bytes + 0x0606060606060606) & kHighHalves) >> 4)) == 0x3333333333333333;
}

// The value of eight decimal digits (EightBytesAt, EightDigits true), the
// first the most significant: neighbouring digits are combined into pairs,
// pairs into fours, fours into the whole, each step on every part at once in
// the lanes of the word.
inline uint32_t EightDigitsValue(uint64_t bytes) {
  bytes -= 0x3030303030303030;
  bytes = (bytes * 10 + (bytes >> 8)) & 0x00FF00FF00FF00FF;
  bytes = (bytes * 100 + (bytes >> 16)) & 0x0000FFFF0000FFFF;
  return static_cast<uint32_t>((bytes * 10000 + (bytes >> 32)) & 0xFFFFFFFF);
}

// A plain decimal ("-"? digits ["." digits]: at least one digit, fifteen at
// most) read from p on, as from_chars reads it but without its general
// machinery: the digits make an integer below 2^53 and the point a power of
// ten up to 10^15, both exact in a double, so their quotient is rounded
// once, correctly, as from_chars rounds. p is moved past it. False, with p
// and out untouched, for any other form; the caller then takes the general
// way. The sources' coordinates, the DEM tuples and most settings are read
// this way.
inline bool ScanPlainDecimal(const char*& p, const char* end, double& out) {
  static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* q = p;
  const bool negative = q != end && *q == '-';
  if (negative) ++q;
  uint64_t digits = 0;
  int count = 0, fraction = 0;
  for (; q != end && static_cast<unsigned>(*q - '0') < 10; ++q, ++count) digits = digits * 10 + unsigned(*q - '0');
  if (q != end && *q == '.') {
    ++q;
    // The sources' coordinates carry eight or more decimals: the first eight
    // are taken at once.
    if (end - q >= 8) {
      const uint64_t bytes = EightBytesAt(q);
      if (EightDigits(bytes)) {
        digits = digits * 100000000 + EightDigitsValue(bytes);
        q += 8;
        count += 8;
        fraction += 8;
      }
    }
    for (; q != end && static_cast<unsigned>(*q - '0') < 10; ++q, ++count, ++fraction)
      digits = digits * 10 + unsigned(*q - '0');
  }
  if (count == 0 || count > 15) return false;
  const double value = static_cast<double>(digits) / kPowersOfTen[fraction];
  out = negative ? -value : value;
  p = q;
  return true;
}

// The same for a whole text: false unless the plain decimal is all of it.
inline bool ParsePlainDecimal(std::string_view text, double& out) {
  const char* p = text.data();
  const char* const end = p + text.size();
  double value;
  if (!ScanPlainDecimal(p, end, value) || p != end) return false;
  out = value;
  return true;
}

// A whole decimal number (an optional "+" allowed), the characters of
// `blanks` around it ignored. False, with out untouched, for empty text,
// anything after the number, and values that are not finite ("nan", "inf",
// overflow).
inline bool ParseFiniteDecimal(std::string_view text, double& out, std::string_view blanks = kBlanks) {
  text = Trim(text, blanks);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  if (ParsePlainDecimal(text, out)) return true;
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return false;
  out = value;
  return true;
}

// The pattern of a message with its "%s" replaced by value (a pattern
// without one comes back as it is).
inline std::string FillPattern(std::string_view pattern, std::string_view value) {
  const size_t at = pattern.find("%s");
  std::string line(pattern.substr(0, at));
  if (at == std::string_view::npos) return line;
  line.append(value).append(pattern.substr(at + 2));
  return line;
}

}  // namespace velkaro
