#include "scratch/scratch_file.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "job/job_context.h"
#include "job/tile_grid.h"
#include "catalogue/layer_catalogue.h"

namespace velkaro {

namespace fs = std::filesystem;

namespace {

constexpr size_t kFlushAt = 1 << 16;

// Every scratch file name the catalogue can produce, in catalogue order.
template <typename Fn>
void ForEachScratchName(const LayerCatalogue& catalogue, Fn&& fn) {
  for (const LayerTree* tree : {&catalogue.fgd, &catalogue.kkj}) {
    for (const LayerGroup& group : tree->groups) {
      fn(group.node.text);
      for (const LayerNode& child : group.children) fn(child.text);
    }
  }
  for (const KsjTheme& theme : catalogue.ksj) fn(theme.caption);
}

}  // namespace

namespace {

// The 15 significant digits of a positive value, correctly rounded (ties to
// even, as the general formatting does) and its decimal exponent, computed
// exactly in 128-bit integers: value = m * 2^k with a 53-bit m, so
// value * 10^s = m * 5^s * 2^(k + s), and m * 5^s fits for s <= 32. False
// outside the exponents this covers (-18 .. 14), which the general
// formatting then handles.
constexpr std::array<unsigned __int128, 33> PowersOfFive() {
  std::array<unsigned __int128, 33> p{};
  p[0] = 1;
  for (size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 5;
  return p;
}
constexpr std::array<unsigned __int128, 33> kPowersOfFive = PowersOfFive();

// Powers of ten that are exact in a double.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The decade of a value between 2^(k + 52) and 2^(k + 53): floor(log10) of
// the lower end (78913 / 2^18 is log10(2) closely enough for these
// exponents; the shift floors negatives too), one more when the value has
// reached the next power of ten. Below 1 the powers are not exact and the
// first guess stands; PlaneDigits mends a guess one off either way.
int DecadeOf(double magnitude, int k) {
  const int e = ((k + 52) * 78913) >> 18;
  return e + 1 >= 0 && e + 1 <= 22 && magnitude >= kExactPowersOfTen[e + 1] ? e + 1 : e;
}

constexpr uint64_t kLow = 100000000000000, kHigh = 1000000000000000;   // 10^14, 10^15

// The same digits for decade e in 64-bit words, the common case of plane
// coordinates: 5^s fits one word (s <= 27) and the cut at 2^shift falls in
// the low word of the product. False when not, or when e was one off.
bool PlaneDigitsInWords(uint64_t m, int k, int e, uint64_t& digits) {
  const int s = 14 - e;
  if (s < 0 || s > 27) return false;
  const uint64_t fivePower = static_cast<uint64_t>(kPowersOfFive[static_cast<size_t>(s)]);
  const unsigned __int128 scaled = static_cast<unsigned __int128>(m) * fivePower;
  const int shift = -(k + s);
  if (shift < 1 || shift > 63) return false;
  const uint64_t low = static_cast<uint64_t>(scaled), high = static_cast<uint64_t>(scaled >> 64);
  if ((high >> shift) != 0) return false;
  uint64_t n = (low >> shift) | (high << (64 - shift));
  const uint64_t rest = low & ((uint64_t{1} << shift) - 1), half = uint64_t{1} << (shift - 1);
  n += static_cast<uint64_t>(rest > half) | (static_cast<uint64_t>(rest == half) & (n & 1));   // ties to even
  if (n < kLow || n >= kHigh) return false;
  digits = n;
  return true;
}

bool PlaneDigits(double magnitude, uint64_t& digits, int& exponent) {
  if (!(magnitude >= 1e-18 && magnitude < 1e15)) return false;
  // The value's own bits: a normal double in this range is (2^52 + fraction) * 2^(biased - 1075).
  const uint64_t bits = std::bit_cast<uint64_t>(magnitude);
  const int biased = static_cast<int>(bits >> 52);
  const uint64_t m = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
  const int k = biased - 1075;
  int e = DecadeOf(magnitude, k);
  if (PlaneDigitsInWords(m, k, e, digits)) {
    exponent = e;
    return true;
  }
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int s = 14 - e;
    if (s < 0 || s > 32) return false;
    const unsigned __int128 scaled = static_cast<unsigned __int128>(m) * kPowersOfFive[static_cast<size_t>(s)];
    const int shift = -(k + s);
    unsigned __int128 n = 0;
    if (shift <= 0) {
      if (shift < -12) return false;
      n = scaled << -shift;
    } else {
      if (shift > 120) return false;
      n = scaled >> shift;
      const unsigned __int128 rest = scaled - (n << shift);
      const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
      if (rest > half || (rest == half && (n & 1) != 0)) ++n;
    }
    if (n < kLow) {
      --e;
    } else if (n >= kHigh) {
      ++e;   // rounding carried into the next decade
    } else {
      digits = static_cast<uint64_t>(n);
      exponent = e;
      return true;
    }
  }
  return false;
}

// The eight decimal digits of `run` (below 10^8) as ASCII, most significant
// first in memory: the run is cut into two halves of four digits, those into
// pairs, the pairs into digits, each step on all parts at once in the lanes
// of one 64-bit word (division by 100 and by 10 done as multiplication by
// 10486 / 2^20 and 103 / 2^10, exact for numbers this small).
inline __attribute__((always_inline)) uint64_t EightDigitsText(uint32_t run) {
  const uint64_t halves = (run / 10000) | (static_cast<uint64_t>(run % 10000) << 32);
  const uint64_t highPairs = ((halves * 10486) >> 20) & ((uint64_t{0x7F} << 32) | 0x7F);
  const uint64_t pairs = ((halves - 100 * highPairs) << 16) + highPairs;
  uint64_t digits = ((pairs * 103) >> 10) & ((uint64_t{0xF} << 48) | (uint64_t{0xF} << 32) | (uint64_t{0xF} << 16) | 0xF);
  digits += (pairs - 10 * digits) << 8;
  return digits + 0x3030303030303030;
}

void WritePlaneForm(bool negative, uint64_t digits, int exponent, char out[kPlaneValueWidth]) {
  // 15 digits: the leading one and the next six from the high run, the last
  // eight from the low run.
  const uint64_t high = EightDigitsText(static_cast<uint32_t>(digits / 100000000));
  const uint64_t low = EightDigitsText(static_cast<uint32_t>(digits % 100000000));
  char highText[8];
  std::memcpy(highText, &high, 8);   // "0" and seven digits
  out[0] = negative ? '-' : ' ';
  out[1] = highText[1];
  out[2] = '.';
  std::memcpy(out + 3, highText + 2, 6);
  std::memcpy(out + 9, &low, 8);
  out[17] = 'E';
  out[18] = exponent < 0 ? '-' : '+';
  const uint32_t e = static_cast<uint32_t>(exponent < 0 ? -exponent : exponent);   // below 10^4
  const uint64_t exponentText = EightDigitsText(e);
  std::memcpy(out + 19, reinterpret_cast<const char*>(&exponentText) + 4, 4);
}

}  // namespace

bool FormatPlaneValue(double v, char out[kPlaneValueWidth]) {
  if (!std::isfinite(v)) return false;
  if (v == 0.0) v = 0.0;  // no "-0"
  uint64_t fast = 0;
  int fastExponent = 0;
  if (PlaneDigits(std::fabs(v), fast, fastExponent)) {
    WritePlaneForm(v < 0, fast, fastExponent, out);
    return true;
  }
  // to_chars gives "[-]d.ddddddddddddddde[+-]dd[d]", correctly rounded.
  char digits[40];
  const double magnitude = std::fabs(v);
  const auto result = std::to_chars(digits, digits + sizeof digits, magnitude,
                                    std::chars_format::scientific, 14);
  if (result.ec != std::errc()) return false;
  const char* e = static_cast<const char*>(std::memchr(digits, 'e', result.ptr - digits));
  if (e == nullptr || e - digits != 16) return false;
  out[0] = v < 0 ? '-' : ' ';
  std::memcpy(out + 1, digits, 16);
  out[17] = 'E';
  out[18] = e[1];
  const int expDigits = static_cast<int>(result.ptr - (e + 2));
  if (expDigits < 1 || expDigits > 4) return false;
  char* x = out + 19;
  for (int i = expDigits; i < 4; ++i) *x++ = '0';
  std::memcpy(x, e + 2, static_cast<size_t>(expDigits));
  return true;
}

std::string PlaneValueText(double v) {
  char buf[kPlaneValueWidth];
  if (!FormatPlaneValue(v, buf)) return {};
  return std::string(buf, kPlaneValueWidth);
}

ScratchFile::ScratchFile(ScratchFile&& other) noexcept { *this = std::move(other); }

ScratchFile& ScratchFile::operator=(ScratchFile&& other) noexcept {
  if (this != &other) {
    close();
    file_ = std::exchange(other.file_, nullptr);
    path_ = std::move(other.path_);
    buffer_ = std::move(other.buffer_);
    failed_ = std::exchange(other.failed_, false);
    openOnWrite_ = std::exchange(other.openOnWrite_, false);
    opened_ = std::exchange(other.opened_, nullptr);
  }
  return *this;
}

// The file is opened when the first bytes go out: a scan opens the scratch
// file of every layer switched on in every pass of every tile, and most get
// nothing; creating them all cost a fifth of a small job in the file
// system. A layer without a scratch file draws nothing, as with an empty one.
void ScratchFile::openAppend(const std::string& path, std::set<std::string>* opened) {
  close();
  path_ = path;
  opened_ = opened;
  failed_ = false;
  buffer_.clear();
  buffer_.reserve(kFlushAt + 256);
  openOnWrite_ = true;
}

bool ScratchFile::create(const std::string& path) {
  close();
  path_ = path;
  failed_ = false;
  buffer_.clear();
  buffer_.reserve(kFlushAt + 256);
  openOnWrite_ = false;
  opened_ = nullptr;
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) failed_ = true;
  return file_ != nullptr;
}

bool ScratchFile::close() {
  if (file_ != nullptr || openOnWrite_) {
    flushBuffer();
    if (file_ != nullptr && std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    openOnWrite_ = false;
  }
  buffer_.clear();
  return !failed_;
}

void ScratchFile::flushBuffer() {
  if (buffer_.empty()) return;
  if (file_ == nullptr && openOnWrite_) {
    openOnWrite_ = false;
    file_ = std::fopen(path_.c_str(), "ab");
    if (file_ != nullptr && opened_ != nullptr) opened_->insert(path_);
  }
  if (file_ == nullptr || std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
    failed_ = true;
  buffer_.clear();
}

void ScratchFile::append(const char* data, size_t n) {
  if (file_ == nullptr && !openOnWrite_) {
    failed_ = true;
    return;
  }
  buffer_.append(data, n);
  if (buffer_.size() >= kFlushAt) flushBuffer();
}

void ScratchFile::line(std::string_view text) {
  char crlf[2] = {'\r', '\n'};
  append(text.data(), text.size());
  append(crlf, 2);
}

void ScratchFile::integer(long long value) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf - 2, value);
  *r.ptr++ = '\r';
  *r.ptr++ = '\n';
  append(buf, static_cast<size_t>(r.ptr - buf));
}

bool ScratchFile::plane(double value) {
  char buf[kPlaneValueWidth + 2];
  if (!FormatPlaneValue(value, buf)) {
    failed_ = true;
    return false;
  }
  buf[kPlaneValueWidth] = '\r';
  buf[kPlaneValueWidth + 1] = '\n';
  append(buf, sizeof buf);
  return true;
}

std::string ScratchPath(const std::string& writeFolder, const std::string& displayText) {
  std::string path = writeFolder;
  if (!path.empty() && path.back() != '/') path += '/';
  path += displayText;
  path += ".txt";
  return path;
}

std::string ScratchPath(const JobContext& job, const std::string& displayText) {
  return ScratchPath(job.scratchFolder.empty() ? job.settings.writefolder : job.scratchFolder, displayText);
}

std::string NewScratchPath(JobContext& job, const std::string& displayText) {
  std::string path = ScratchPath(job, displayText);
  job.scratchWritten.insert(path);
  return path;
}

void DeleteScratchFiles(JobContext& job) {
  std::error_code ec;
  if (!job.scratchSwept) {
    ForEachScratchName(job.settings.layers, [&](const std::string& text) {
      if (!text.empty()) fs::remove(fs::path(ScratchPath(job, text)), ec);
    });
    job.scratchSwept = true;
  } else {
    for (const std::string& path : job.scratchWritten) fs::remove(fs::path(path), ec);
  }
  job.scratchWritten.clear();
}

std::string KeepScratchFiles(JobContext& job, const std::string& tileLabel) {
  const fs::path target = fs::path(job.settings.writefolder) / "scratch" / tileLabel;
  std::error_code ec;
  fs::create_directories(target, ec);
  if (ec) return target.string() + ": " + ec.message();
  std::string problems;
  ForEachScratchName(job.settings.layers, [&](const std::string& text) {
    if (text.empty()) return;
    const fs::path source = fs::path(ScratchPath(job, text));
    std::error_code exists;
    if (!fs::is_regular_file(source, exists)) return;
    const fs::path dest = target / fs::path(text + ".txt");
    std::error_code moved;
    fs::rename(source, dest, moved);
    if (moved) {  // another file system: copy, then remove
      std::error_code copied;
      fs::copy_file(source, dest, fs::copy_options::overwrite_existing, copied);
      if (copied) {
        problems += dest.string() + ": " + copied.message() + "\n";
        return;
      }
      fs::remove(source, copied);
    }
  });
  return problems;
}

std::string TileScratchLabel(const JobContext& job) {
  const fs::path file(TileFileName(job.settings, job.grid, job.tile.row, job.tile.col));
  std::string label = file.stem().string();
  if (label.empty()) label = "tile" + std::to_string(job.tile.row) + "-" + std::to_string(job.tile.col);
  return label;
}

std::string KeepScratchFiles(JobContext& job) { return KeepScratchFiles(job, TileScratchLabel(job)); }

std::string FinishTileScratch(JobContext& job, const std::string& tileLabel) {
  std::string problems;
  if (job.keepScratch) problems = KeepScratchFiles(job, tileLabel);
  DeleteScratchFiles(job);
  return problems;
}

}  // namespace velkaro
