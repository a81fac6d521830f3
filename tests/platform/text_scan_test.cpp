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

// The scan stops at the first byte that is no digit, wherever it falls in a
// run of eight (digits are taken eight at a time), whatever the byte.
TEST(PlainDecimal, StopsAtTheFirstByteThatIsNoDigit) {
  const std::string stops[] = {" ", "/", ":", "\r", std::string(1, '\0'), "\xFA", "\xFF", "\x80", "e", "-", "+"};
  for (int whole = 0; whole <= 9; ++whole)
    for (int fraction = -1; fraction <= 14 - whole + 1; ++fraction) {
      std::string number = std::string(static_cast<size_t>(whole), '7');
      if (whole > 0) number[0] = '3';
      if (fraction >= 0) number += "." + std::string(static_cast<size_t>(fraction), '9');
      for (const std::string& stop : stops) {
        const std::string text = number + stop + "12345678901234567";
        const char* p = text.data();
        double scanned = -1, whole_text = -2;
        const bool plain = ParsePlainDecimal(number, whole_text);
        EXPECT_EQ(ScanPlainDecimal(p, text.data() + text.size(), scanned), plain) << number << "|" << stop;
        if (!plain) continue;
        EXPECT_EQ(p - text.data(), static_cast<long>(number.size())) << number << "|" << stop;
        EXPECT_EQ(std::bit_cast<uint64_t>(scanned), std::bit_cast<uint64_t>(whole_text)) << number;
      }
    }
}

// Type names match without regard to the case of ASCII letters, and only
// of those: bytes that differ by 0x20 elsewhere ("@" and "`", the bytes of
// a Latin-1 or UTF-8 letter) stay different.
TEST(TextScan, EqualIgnoringAsciiCaseFoldsOnlyAsciiLetters) {
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  };
  const Case cases[] = {{"RdEdg", "rdedg", true}, {"BLDA", "blda", true}, {"道路縁", "道路縁", true},
                        {"", "", true},           {"@", "`", false},       {"[", "{", false},
                        {"\xC0", "\xE0", false},  {"ab", "abc", false},    {"道路縁", "道路線", false}};
  for (const Case& c : cases) EXPECT_EQ(EqualIgnoringAsciiCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
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
