#include "platform/text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

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

// CP932 -> UTF-8 of every one- and two-byte code, taken from glibc's own
// converter once, so decoding a buffer is a table walk instead of one iconv
// call per run of Japanese text. An entry holds up to three UTF-8 bytes and
// their count (0: not a CP932 character).
struct Cp932DecodeEntry {
  char bytes[3];
  unsigned char length;
};

class Cp932DecodeTable {
 public:
  Cp932DecodeTable() : entries_(65536, Cp932DecodeEntry{{0, 0, 0}, 0}) {
    Converter conv("UTF-8", "CP932");
    if (!conv.ok()) return;
    for (int b = 0x80; b <= 0xFF; ++b) {
      if (IsCp932LeadByte(static_cast<unsigned char>(b))) {
        for (int t = 0x40; t <= 0xFC; ++t) fill(conv, (b << 8) | t, 2);
      } else {
        fill(conv, b, 1);
      }
    }
  }
  const Cp932DecodeEntry& operator[](unsigned code) const { return entries_[code]; }

 private:
  void fill(const Converter& conv, int code, int length) {
    char in[2] = {static_cast<char>(length == 2 ? code >> 8 : code), static_cast<char>(code & 0xFF)};
    char out[8];
    char* src = in;
    char* dst = out;
    std::size_t inLeft = static_cast<std::size_t>(length), outLeft = sizeof out;
    const std::size_t rc = iconv(conv.get(), &src, &inLeft, &dst, &outLeft);
    iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
    const std::size_t produced = sizeof out - outLeft;
    if (rc == static_cast<std::size_t>(-1) || inLeft != 0 || produced == 0 || produced > 3) return;
    Cp932DecodeEntry& entry = entries_[static_cast<unsigned>(code)];
    std::memcpy(entry.bytes, out, produced);
    entry.length = static_cast<unsigned char>(produced);
  }

  std::vector<Cp932DecodeEntry> entries_;
};

// The table is immutable once built and shared by every caller.
const Cp932DecodeTable& DecodeTable() {
  static const Cp932DecodeTable table;
  return table;
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
  const Cp932DecodeTable& table = DecodeTable();
  const auto* p = reinterpret_cast<const unsigned char*>(cp932.data());
  const std::size_t n = cp932.size();
  std::string out(n + n / 2 + 16, '\0');
  std::size_t at = 0;
  const auto room = [&](std::size_t needed) {
    if (out.size() - at < needed) out.resize(std::max(out.size() * 2, at + needed));
  };
  std::size_t i = 0;
  while (i < n) {
    const std::size_t run = FindNonAscii(cp932, i);
    room(run - i + 3);
    std::memcpy(out.data() + at, p + i, run - i);
    at += run - i;
    i = run;
    while (i < n && p[i] >= 0x80) {
      room(3);
      const bool pair = IsCp932LeadByte(p[i]) && i + 1 < n;
      const Cp932DecodeEntry& e = table[pair ? (p[i] << 8) | p[i + 1] : p[i]];
      if (e.length == 0) {
        // Not a character: replace one byte and go on with the next.
        std::memcpy(out.data() + at, kReplacementUtf8.data(), 3);
        at += 3;
        ++i;
        continue;
      }
      std::memcpy(out.data() + at, e.bytes, e.length);
      at += e.length;
      i += pair ? 2 : 1;
    }
  }
  out.resize(at);
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
