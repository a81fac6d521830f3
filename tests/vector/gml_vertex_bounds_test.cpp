// Vertex lines with numbers no place on the globe has are refused by both the
// fast and the slow parse, like any other malformed vertex line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vector/gml_reading.h"

namespace velkaro {
namespace {

TEST(GmlVertexBounds, BothParsesRefuseVerticesOffTheGlobe) {
  struct Case {
    std::string line;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {"35.688618 139.708789472\n", true},
      {"-90 -360\n", true},
      {"90.5 139\n", false},
      {"35 360.1\n", false},
      {"1e308 139\n", false},
      {"35 -1e308\n", false},
      {"nan 139\n", false},
      {"35 inf\n", false},
      {"999999999999999 139\n", false},
  };
  for (const Case& c : cases) {
    double lat = 0, lon = 0;
    EXPECT_EQ(gml::ParseVertexLine(c.line.substr(0, c.line.size() - 1), true, lat, lon), c.accepted) << c.line;
    const char* next = gml::FastVertexLine(c.line.data(), c.line.data() + c.line.size(), true, lat, lon);
    if (!c.accepted) {
      EXPECT_EQ(next, nullptr) << c.line;
    }
  }
}

}  // namespace
}  // namespace velkaro
