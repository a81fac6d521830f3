#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <random>
#include <string>

#include "scratch/scratch_file.h"
#include "scratch/scratch_reader.h"

namespace velkaro {
namespace {

TEST(ScratchReader, ParsesEveryDecimalFormTheWritersUse) {
  struct Row {
    const char* text;
    bool ok;
    double value;
  };
  const Row rows[] = {
      {" 1.23456789012345E+0004", true, 12345.6789012345},
      {"-2.50000000000000E+0001", true, -25},
      {" 4.00000000000000E-0003", true, 0.004},
      {"139.7671", true, 139.7671},
      {"-0.5", true, -0.5},
      {"12", true, 12},
      {"+3", true, 3},
      {"1e3 ", true, 1000},
      {"", false, 0},
      {"sep", false, 0},
      {"12abc", false, 0},
      {"nan", false, 0},
  };
  for (const Row& r : rows) {
    double v = 0;
    EXPECT_EQ(ParseDouble(r.text, v), r.ok) << '"' << r.text << '"';
    if (r.ok) {
      EXPECT_DOUBLE_EQ(v, r.value) << r.text;
    }
  }
}

// Plane values read back bit for bit as the general decimal parse reads them,
// over the magnitudes coordinates take (millimetres to thousands of km, and
// degrees), so a drawing from the scratch file does not move by a rounding.
TEST(ScratchReader, PlaneValuesReadBackExactlyAsTheGeneralParse) {
  std::mt19937_64 random(17);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> power(-12, 8);
  for (int i = 0; i < 200000; ++i) {
    const double written = mantissa(random) * std::pow(10.0, power(random));
    const std::string text = PlaneValueText(written);
    double general = 0, read = 0;
    ASSERT_EQ(std::from_chars(text.data() + (text[0] == ' '), text.data() + text.size(), general).ec, std::errc())
        << text;
    ASSERT_TRUE(ParseDouble(text, read)) << text;
    ASSERT_EQ(read, general) << text;
    ASSERT_EQ(std::signbit(read), std::signbit(general)) << text;
  }
}

// Texts that look like the plane form but are not numbers, or are numbers in
// a neighbouring form, are judged as any other decimal text.
TEST(ScratchReader, NearPlaneFormsAreParsedOrRefusedLikeOtherText) {
  struct Row {
    const char* text;
    bool ok;
    double value;
  };
  const Row rows[] = {
      {" 1.2345678901234xE+0004", false, 0},
      {" 1.23456789012345E+00a4", false, 0},
      {" 1.23456789012345X+0004", false, 0},
      // A byte just outside the digits at the start of each run of digits.
      {" :.23456789012345E+0004", false, 0},
      {" 1.2345/789012345E+0004", false, 0},
      {" 1.2345678901:345E+0004", false, 0},
      {" 1.23456789012345E+/004", false, 0},
      {" 1.23456789012345E+000:", false, 0},
      {" 1.23456789\xff" "12345E+0004", false, 0},
      {"+1.23456789012345E+0004", true, 12345.6789012345},
      {" 1.23456789012345E+0030", true, 1.23456789012345e30},
      {" 1.23456789012345E-0030", true, 1.23456789012345e-30},
      {"-0.00000000000000E+0000", true, 0},
      {" 1.23456789012345E+004 ", true, 12345.6789012345},
  };
  for (const Row& r : rows) {
    double v = 0;
    EXPECT_EQ(ParseDouble(r.text, v), r.ok) << '"' << r.text << '"';
    if (r.ok) {
      EXPECT_DOUBLE_EQ(v, r.value) << r.text;
    }
  }
}

TEST(ScratchReader, ReadsCrLfAndLfLinesAndGivesEmptyLinesPastTheEnd) {
  for (const char* text : {"sep\r\n名前\r\n\r\n3\r\n", "sep\n名前\n\n3\n", "sep\n名前\n\n3"}) {
    ScratchReader r;
    r.openText(text);
    EXPECT_EQ(r.nextLine(), "sep");
    EXPECT_EQ(r.nextLine(), "名前");
    EXPECT_EQ(r.nextLine(), "");
    EXPECT_FALSE(r.atEnd());
    EXPECT_EQ(r.nextInteger(), 3);
    EXPECT_TRUE(r.atEnd());
    EXPECT_FALSE(r.pastEnd());
    EXPECT_EQ(r.nextLine(), "");
    EXPECT_TRUE(r.pastEnd());
    EXPECT_EQ(r.nextDouble(), 0.0);
  }
}

TEST(ScratchReader, IntegersTruncateAndBadNumbersReadAsZero) {
  ScratchReader r;
  r.openText("\xEF\xBB\xBF" "12.9\n-3.7\nx\n99999999999\n");
  EXPECT_EQ(r.nextInteger(), 12);
  EXPECT_EQ(r.nextInteger(), -3);
  EXPECT_EQ(r.nextInteger(), 0);
  EXPECT_EQ(r.nextInteger(), 0);
  EXPECT_FALSE(r.open("/nonexistent/velkaro/scratch.txt"));
}

}  // namespace
}  // namespace velkaro
