#include "platform/text_scan.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <random>
#include <string>

namespace velkaro {
namespace {

// from_chars over the whole text; false when it stops short or fails.
bool FromChars(std::string_view text, double& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

// Whatever plain decimal text the short way takes, it gives the very bits
// from_chars gives; what it leaves, from_chars still reads.
void ExpectAsFromChars(const std::string& text) {
  double plain = 0, general = 0;
  if (!ParsePlainDecimal(text, plain)) return;
  ASSERT_TRUE(FromChars(text, general)) << text;
  EXPECT_EQ(std::bit_cast<uint64_t>(plain), std::bit_cast<uint64_t>(general)) << text;
}

TEST(PlainDecimal, ReadsAsFromChars) {
  struct Case {
    const char* text;
    bool plain;   // taken by the short way
  };
  const Case cases[] = {
      {"0", true},         {"-0", true},       {"-0.00", true},        {"1.", true},
      {"007.50", true},    {"123.45", true},   {"-9999.", true},       {"0.1", true},
      {"0.3", true},       {"2.675", true},    {"35.123456789", true}, {"139.12345678901", true},
      {".5", true},        {"-.5", true},      {"999999999999999", true},
      {"0.00000000000001", true},              {"9999999999999999", false},
      {"0.000000000000001", false},            {".", false},           {"-", false},
      {"1e3", false},      {"+1", false},      {" 1", false},          {"1 ", false},
      {"1.2.3", false},    {"", false},        {"--1", false},         {"nan", false},
      {"12a", false},
  };
  for (const Case& c : cases) {
    double value = -1;
    EXPECT_EQ(ParsePlainDecimal(c.text, value), c.plain) << c.text;
    if (!c.plain) {
      EXPECT_EQ(value, -1) << c.text;   // untouched
    }
    ExpectAsFromChars(c.text);
  }
  // Elevations, coordinates and long fractions of every length and point.
  std::mt19937_64 random(17);
  for (int i = 0; i < 200000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 15);
    std::string text = random() % 2 ? "-" : "";
    std::string number;
    for (int d = 0; d < digits; ++d) number += static_cast<char>('0' + random() % 10);
    const size_t point = random() % (number.size() + 1);
    if (point > 0) number.insert(point, ".");
    ExpectAsFromChars(text + number);
  }
}

TEST(PlainDecimal, FiniteDecimalKeepsItsRules) {
  double value = 0;
  EXPECT_TRUE(ParseFiniteDecimal(" +12.5\t", value));
  EXPECT_EQ(value, 12.5);
  EXPECT_TRUE(ParseFiniteDecimal("1e2", value));
  EXPECT_EQ(value, 100);
  for (const char* bad : {"", " ", "+", "1 2", "inf", "nan", "1e999", "12,5"}) {
    value = 7;
    EXPECT_FALSE(ParseFiniteDecimal(bad, value)) << bad;
    EXPECT_EQ(value, 7) << bad;
  }
}

}  // namespace
}  // namespace velkaro
