#include "job/coordinates.h"

#include <cmath>
#include <numbers>

namespace velkaro {

const std::array<const char*, kZoneEntryCount> kZoneEntries = {
    "第 1座標系 長崎県", "第 1座標系 鹿児島県の西部", "第 2座標系 鹿児島県の東部",
    "第 2座標系 福岡県", "第 2座標系 佐賀県", "第 2座標系 熊本県", "第 2座標系 大分県",
    "第 2座標系 宮崎県", "第 3座標系 山口県", "第 3座標系 島根県", "第 3座標系 広島県",
    "第 4座標系 香川県", "第 4座標系 愛媛県", "第 4座標系 徳島県", "第 4座標系 高知県",
    "第 5座標系 兵庫県", "第 5座標系 鳥取県", "第 5座標系 岡山県", "第 6座標系 京都府",
    "第 6座標系 大阪府", "第 6座標系 福井県", "第 6座標系 滋賀県", "第 6座標系 三重県",
    "第 6座標系 奈良県", "第 6座標系 和歌山県", "第 7座標系 石川県", "第 7座標系 富山県",
    "第 7座標系 岐阜県", "第 7座標系 愛知県", "第 8座標系 新潟県", "第 8座標系 長野県",
    "第 8座標系 山梨県", "第 8座標系 静岡県", "第 9座標系 東京都の本州部", "第 9座標系 福島県",
    "第 9座標系 栃木県", "第 9座標系 茨城県", "第 9座標系 埼玉県", "第 9座標系 千葉県",
    "第 9座標系 群馬県", "第 9座標系 神奈川県", "第10座標系 青森県", "第10座標系 秋田県",
    "第10座標系 山形県", "第10座標系 岩手県", "第10座標系 宮城県", "第11座標系 北海道 西部",
    "第12座標系 北海道 中部", "第13座標系 北海道 東部", "第14座標系 東京都 小笠原村",
    "第15座標系 沖縄県 東部", "第16座標系 沖縄県 西部", "第17座標系 沖縄県 北大東島",
    "第17座標系 沖縄県 南大東島", "第18座標系 東京都 沖ノ鳥島", "第19座標系 東京都 南鳥島",
    "緯度・経度",
};

namespace {

constexpr std::array<ZoneOrigin, kZoneCount> kZoneOrigins = {{
    {33.0, 129.5}, {33.0, 131.0}, {36.0, 132.1666666666666}, {33.0, 133.5},
    {36.0, 134.3333333333333}, {36.0, 136.0}, {36.0, 137.1666666666666}, {36.0, 138.5},
    {36.0, 139.8333333333333}, {40.0, 140.8333333333333}, {44.0, 140.25}, {44.0, 142.25},
    {44.0, 144.25}, {26.0, 142.0}, {26.0, 127.5}, {26.0, 124.0}, {26.0, 131.0},
    {20.0, 136.0}, {26.0, 154.0},
}};

constexpr double kDegree = std::numbers::pi / 180.0;

// Meridian arc coefficients A..I as polynomials in e^2: row k holds the
// coefficients of e^2, e^4, ... e^16 (A has a further constant term 1).
constexpr double kArcSeries[9][8] = {
    {3.0 / 4, 45.0 / 64, 175.0 / 256, 11025.0 / 16384, 43659.0 / 65536, 693693.0 / 1048576,
     2760615.0 / 4194304, 703956825.0 / 1073741824},
    {3.0 / 4, 15.0 / 16, 525.0 / 512, 2205.0 / 2048, 72765.0 / 65536, 297297.0 / 262144,
     19324305.0 / 16777216, 78217425.0 / 67108864},
    {0, 15.0 / 64, 105.0 / 256, 2205.0 / 4096, 10395.0 / 16384, 1486485.0 / 2097152,
     6441435.0 / 8388608, 109504395.0 / 134217728},
    {0, 0, 35.0 / 512, 315.0 / 2048, 31185.0 / 131072, 165165.0 / 524288, 6441435.0 / 16777216,
     29864835.0 / 67108864},
    {0, 0, 0, 315.0 / 16384, 3465.0 / 65536, 99099.0 / 1048576, 585585.0 / 4194304,
     49774725.0 / 268435456},
    {0, 0, 0, 0, 693.0 / 131072, 9009.0 / 524288, 585585.0 / 16777216, 3828825.0 / 67108864},
    {0, 0, 0, 0, 0, 3003.0 / 2097152, 45045.0 / 8388608, 1640925.0 / 134217728},
    {0, 0, 0, 0, 0, 0, 6435.0 / 16777216, 109395.0 / 67108864},
    {0, 0, 0, 0, 0, 0, 0, 109395.0 / 1073741824},
};

ProjectionConstants ComputeGrs80() {
  ProjectionConstants k{};
  k.a = 6378137.0;
  k.f = 1.0 / 298.257222101;
  const double e2 = 2 * k.f - k.f * k.f;
  k.e = std::sqrt(e2);
  k.e2nd = std::sqrt(2 / k.f - 1) / (1 / k.f - 1);
  k.c = k.a / std::sqrt(1 - e2);
  k.m0 = 0.9999;
  const long double scale = static_cast<long double>(k.a) * (1 - e2);
  for (int row = 0; row < 9; ++row) {
    long double coefficient = row == 0 ? 1.0L : 0.0L;
    long double power = 1.0L;
    for (int n = 0; n < 8; ++n) {
      power *= e2;
      coefficient += kArcSeries[row][n] * power;
    }
    // +A, -B/2, +C/4, -D/6, ... +I/16
    const long double sign = (row % 2 == 0) ? 1.0L : -1.0L;
    const long double divisor = row == 0 ? 1.0L : 2.0L * row;
    k.arcTerms[row] = static_cast<double>(sign * scale * coefficient / divisor);
  }
  return k;
}

}  // namespace

const ProjectionConstants& Grs80() {
  static const ProjectionConstants constants = ComputeGrs80();
  return constants;
}

ZoneOrigin ZoneOriginOf(int zone) {
  if (zone < 1 || zone > kZoneCount) return {0.0, 0.0};
  return kZoneOrigins[zone - 1];
}

namespace {

// Length in bytes of the UTF-8 character that starts with this byte.
size_t Utf8Length(unsigned char lead) {
  return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

}  // namespace

int ZoneNumberOfEntryText(std::string_view entry) {
  // The second and third characters, counted as characters since the first
  // is the multibyte "第"; only ASCII ones matter, others become 0.
  char second = 0, third = 0;
  size_t at = 0;
  for (int index = 0; index < 3 && at < entry.size(); ++index) {
    const unsigned char lead = static_cast<unsigned char>(entry[at]);
    const char ascii = lead < 0x80 ? static_cast<char>(lead) : 0;
    if (index == 1) second = ascii;
    if (index == 2) third = ascii;
    at += Utf8Length(lead);
  }
  const auto isDigit = [](char ch) { return ch >= '0' && ch <= '9'; };
  int zone = 0;
  if (second == ' ' && isDigit(third))
    zone = third - '0';
  else if (isDigit(second) && isDigit(third))
    zone = (second - '0') * 10 + (third - '0');
  return zone >= 1 && zone <= kZoneCount ? zone : 0;
}

int ZoneNumberOfEntry(int entry) {
  if (entry < 0 || entry >= kLatLonEntry) return 0;
  return ZoneNumberOfEntryText(kZoneEntries[static_cast<size_t>(entry)]);
}

double UnitScaleOf(int tanni) {
  switch (tanni) {
    case 0: return 1000.0;
    case 1: return 100.0;
    default: return 1.0;
  }
}

double MeridianArc(double phi) {
  const auto& t = Grs80().arcTerms;
  // The sines of 2k phi follow from one sine and cosine by the angle-sum
  // recurrence, so the arc costs one trigonometric pair instead of eight
  // sines (the conversion runs for every source vertex).
  const double s1 = std::sin(2.0 * phi), c1 = std::cos(2.0 * phi);
  double sk = s1, ck = c1;
  double s = t[0] * phi;
  for (int k = 1; k < 9; ++k) {
    s += t[k] * sk;
    const double next = sk * c1 + ck * s1;
    ck = ck * c1 - sk * s1;
    sk = next;
  }
  return s;
}

bool SetZoneNumber(CoordinateState& cs, int zone, double unitScale) {
  cs.unitScale = unitScale;
  if (zone == 0) {
    cs.latLonMode = true;
    cs.zone = 0;
    cs.estimateLat = 0.0;
    cs.estimateLon = 0.0;
    return true;
  }
  if (zone < 1 || zone > kZoneCount) return false;
  const ZoneOrigin o = ZoneOriginOf(zone);
  cs.latLonMode = false;
  cs.zone = zone;
  cs.originLat = o.lat * kDegree;
  cs.originLon = o.lon * kDegree;
  cs.s0 = MeridianArc(cs.originLat);
  cs.estimateLat = o.lat;
  cs.estimateLon = o.lon;
  return true;
}

bool SetZone(CoordinateState& cs, int zahyokei, int tanni) {
  const double unitScale = UnitScaleOf(tanni);
  if (zahyokei == kLatLonEntry) return SetZoneNumber(cs, 0, unitScale);
  const int zone = ZoneNumberOfEntry(zahyokei);
  if (zone == 0) {
    cs.unitScale = unitScale;
    return false;
  }
  return SetZoneNumber(cs, zone, unitScale);
}

// Each term keeps the order of operations of the series written out in
// full: the latitude's factors come first in every product, so working them
// out once changes no bit.
ParallelProjection::ParallelProjection(const CoordinateState& cs, double ido) : cs_(cs), ido_(ido) {
  if (cs.latLonMode) return;
  const ProjectionConstants& k = Grs80();
  const double phi = ido * kDegree;
  // All in double: against the same series in extended precision the
  // positions move by nanometres in every zone, and the conversion runs for
  // every source vertex, where x87 arithmetic cost a fifth of a reader's time.
  const double cosp = std::cos(phi);
  const double t = std::sin(phi) / cosp;
  const double eta2 = k.e2nd * k.e2nd * cosp * cosp;
  const double n = k.c / std::sqrt(1 + eta2);
  const double t2 = t * t, t4 = t2 * t2, t6 = t4 * t2;
  const double eta4 = eta2 * eta2;
  const double c2 = cosp * cosp;

  x0_ = MeridianArc(phi) - cs.s0;
  x2_ = n / 2 * c2 * t;
  x4_ = n / 24 * c2 * c2 * t * (5 - t2 + 9 * eta2 + 4 * eta4);
  x6_ = n / 720 * c2 * c2 * c2 * t * (61 - 58 * t2 + t4 + 270 * eta2 - 330 * t2 * eta2);
  x8_ = n / 40320 * c2 * c2 * c2 * c2 * t * (1385 - 3111 * t2 + 543 * t4 - t6);
  y1_ = n * cosp;
  y3_ = n / 6 * c2 * cosp * (1 - t2 + eta2);
  y5_ = n / 120 * c2 * c2 * cosp * (5 - 18 * t2 + t4 + 14 * eta2 - 58 * t2 * eta2);
  y7_ = n / 5040 * c2 * c2 * c2 * cosp * (61 - 479 * t2 + 179 * t4 - t6);
  scale_ = k.m0 * cs.unitScale;
}

PlaneXY ParallelProjection::at(double kdo) const {
  if (cs_.latLonMode) return {ido_, kdo};
  const double dl = kdo * kDegree - cs_.originLon;
  const double dl2 = dl * dl;
  double x = x0_;
  x += x2_ * dl2;
  x += x4_ * dl2 * dl2;
  x += x6_ * dl2 * dl2 * dl2;
  x += x8_ * dl2 * dl2 * dl2 * dl2;
  double y = y1_ * dl;
  y += y3_ * dl2 * dl;
  y += y5_ * dl2 * dl2 * dl;
  y += y7_ * dl2 * dl2 * dl2 * dl;
  return {x * scale_, y * scale_};
}

PlaneXY bltoxy(const CoordinateState& cs, double kdo, double ido) { return ParallelProjection(cs, ido).at(kdo); }

GeoLatLon xytobl(CoordinateState& cs, double yy, double xx) {
  if (cs.latLonMode) {
    cs.estimateLat = xx;
    cs.estimateLon = yy;
    return {xx, yy};
  }
  const double tolerance = 0.001 * cs.unitScale;
  const double perDegree = kMetresPerEquatorDegree * cs.unitScale;
  const double perLonDegree = perDegree * std::cos(cs.originLat);
  for (int i = 0; i < kXytoblIterationLimit; ++i) {
    const PlaneXY p = bltoxy(cs, cs.estimateLon, cs.estimateLat);
    const double dx = p.x - xx;
    const double dy = p.y - yy;
    if (dx * dx + dy * dy <= tolerance) break;
    cs.estimateLat -= dx / perDegree;
    cs.estimateLon -= dy / perLonDegree;
    // A point far outside any zone can push the estimate past the pole;
    // stop there rather than produce NaN.
    if (!std::isfinite(cs.estimateLat) || !std::isfinite(cs.estimateLon)) {
      cs.estimateLat = ZoneOriginOf(cs.zone).lat;
      cs.estimateLon = ZoneOriginOf(cs.zone).lon;
      break;
    }
  }
  return {cs.estimateLat, cs.estimateLon};
}

}  // namespace velkaro
