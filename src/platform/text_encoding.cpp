#include "platform/text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace velkaro {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";  // U+FFFD

// One iconv conversion descriptor, closed with the object.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Index of the first byte at or after `from` with the high bit set, or size.
std::size_t FindNonAscii(std::string_view s, std::size_t from) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  std::size_t i = from;
  while (i + 8 <= n) {
    std::uint64_t word;
    std::memcpy(&word, p + i, 8);
    if (word & 0x8080808080808080ull) break;
    i += 8;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

bool IsCp932LeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// End of the run of CP932 non-ASCII characters that starts at `from`. A trail
// byte may lie in the ASCII range, so the run is walked character by character.
std::size_t EndOfCp932Run(std::string_view s, std::size_t from) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  std::size_t i = from;
  while (i < s.size() && p[i] >= 0x80) i += (IsCp932LeadByte(p[i]) && i + 1 < s.size()) ? 2 : 1;
  return i;
}

// Length of the UTF-8 character starting with byte b, 1 for a stray byte.
std::size_t Utf8CharLength(unsigned char b) {
  if (b < 0xC2) return 1;
  if (b < 0xE0) return 2;
  if (b < 0xF0) return 3;
  if (b < 0xF5) return 4;
  return 1;
}

enum class BadInput { SkipByte, SkipUtf8Char };

// Converts one run of non-ASCII bytes and appends the result to out. Bytes the
// converter refuses are replaced by `substitute` and skipped.
void ConvertRun(const Converter& conv, std::string_view run, std::string& out,
                std::string_view substitute, BadInput skip, std::size_t growth) {
  if (!conv.ok()) {
    for (std::size_t i = 0; i < run.size();) {
      out += substitute;
      i += skip == BadInput::SkipUtf8Char ? Utf8CharLength(static_cast<unsigned char>(run[i])) : 1;
    }
    return;
  }
  char* in = const_cast<char*>(run.data());
  std::size_t inLeft = run.size();
  while (inLeft > 0) {
    const std::size_t start = out.size();
    const std::size_t room = inLeft * growth + 8;
    out.resize(start + room);
    char* dst = out.data() + start;
    std::size_t outLeft = room;
    const std::size_t rc = iconv(conv.get(), &in, &inLeft, &dst, &outLeft);
    out.resize(start + (room - outLeft));
    if (rc != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: an invalid or incomplete character.
    out += substitute;
    std::size_t n = 1;
    if (skip == BadInput::SkipUtf8Char) n = Utf8CharLength(static_cast<unsigned char>(*in));
    n = n < inLeft ? n : inLeft;
    in += n;
    inLeft -= n;
  }
  iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
}

// Byte length of the CP932 form of one UTF-8 character; 1 ("?") when CP932
// cannot hold it.
std::size_t Cp932CharLength(const Converter& conv, std::string_view ch) {
  if (ch.size() == 1 && static_cast<unsigned char>(ch[0]) < 0x80) return 1;
  if (!conv.ok()) return 1;
  char buffer[8];
  char* in = const_cast<char*>(ch.data());
  std::size_t inLeft = ch.size();
  char* dst = buffer;
  std::size_t outLeft = sizeof buffer;
  const std::size_t rc = iconv(conv.get(), &in, &inLeft, &dst, &outLeft);
  iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
  if (rc == static_cast<std::size_t>(-1) || inLeft != 0) return 1;
  return sizeof buffer - outLeft;
}

// Walks the UTF-8 characters of s, summing their CP932 lengths, and returns
// the byte offset in s where the sum would first exceed maxBytes (or s.size()).
// The total CP932 length of the kept prefix goes to *kept.
std::size_t Cp932Prefix(std::string_view s, std::size_t maxBytes, std::size_t* kept) {
  Converter conv("CP932", "UTF-8");
  std::size_t total = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t len = Utf8CharLength(static_cast<unsigned char>(s[i]));
    if (len > s.size() - i) len = 1;
    const std::size_t bytes = Cp932CharLength(conv, s.substr(i, len));
    if (total + bytes > maxBytes) break;
    total += bytes;
    i += len;
  }
  if (kept) *kept = total;
  return i;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (true) {
    i = FindNonAscii(bytes, i);
    if (i >= n) return true;
    const unsigned char b = p[i];
    std::size_t len;
    std::uint32_t cp;
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2;
      cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3;
      cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4;
      cp = b & 0x07;
    } else {
      return false;
    }
    if (n - i < len) return false;
    for (std::size_t k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return false;
    if (cp >= 0xD800 && cp <= 0xDFFF) return false;
    i += len;
  }
}

std::string_view StripUtf8Bom(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return bytes;
}

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out;
  out.reserve(cp932.size() + cp932.size() / 4);
  Converter conv("UTF-8", "CP932");
  std::size_t i = 0;
  while (i < cp932.size()) {
    const std::size_t run = FindNonAscii(cp932, i);
    out.append(cp932.data() + i, run - i);
    if (run >= cp932.size()) break;
    const std::size_t end = EndOfCp932Run(cp932, run);
    ConvertRun(conv, cp932.substr(run, end - run), out, kReplacementUtf8, BadInput::SkipByte, 3);
    i = end;
  }
  return out;
}

std::string Utf8ToCp932(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  Converter conv("CP932", "UTF-8");
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::size_t run = FindNonAscii(utf8, i);
    out.append(utf8.data() + i, run - i);
    if (run >= utf8.size()) break;
    // UTF-8 continuation bytes are never ASCII, so the run ends cleanly.
    std::size_t end = run;
    while (end < utf8.size() && static_cast<unsigned char>(utf8[end]) >= 0x80) ++end;
    ConvertRun(conv, utf8.substr(run, end - run), out, "?", BadInput::SkipUtf8Char, 1);
    i = end;
  }
  return out;
}

std::string DecodeToUtf8(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Cp932ToUtf8(bytes);
}

std::size_t Cp932Length(std::string_view utf8) {
  std::size_t total = 0;
  Cp932Prefix(utf8, static_cast<std::size_t>(-1), &total);
  return total;
}

std::string CutToCp932Bytes(std::string_view utf8, std::size_t maxBytes) {
  return std::string(utf8.substr(0, Cp932Prefix(utf8, maxBytes, nullptr)));
}

}  // namespace velkaro
