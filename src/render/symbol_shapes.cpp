#include "render/symbol_shapes.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <numbers>

namespace velkaro {

namespace {

using Kind = SymbolElement::Kind;
using Points = std::vector<SymbolPoint>;

constexpr double kDegree = std::numbers::pi / 180.0;

// Collects the elements of one symbol.
class Shape {
 public:
  Shape& outline(Points p) { return add({Kind::Outline, std::move(p)}); }
  Shape& line(Points p) { return add({Kind::Line, std::move(p)}); }
  Shape& circle(double cx, double cy, double r) { return arc(cx, cy, r, 0, 360); }
  Shape& arc(double cx, double cy, double r, double startDeg, double endDeg) {
    SymbolElement e{Kind::Arc, {}};
    e.cx = cx, e.cy = cy, e.r = r, e.start = startDeg, e.end = endDeg;
    return add(std::move(e));
  }
  Shape& ellipseArc(double cx, double cy, double r, double ky, double startRad, double endRad) {
    SymbolElement e{Kind::EllipseArc, {}};
    e.cx = cx, e.cy = cy, e.r = r, e.ky = ky, e.start = startRad, e.end = endRad;
    return add(std::move(e));
  }
  Shape& dot(double x, double y) { return add({Kind::Dot, {{x, y}}}); }
  Shape& quad(SymbolPoint a, SymbolPoint b, SymbolPoint c, SymbolPoint d) {
    return add({Kind::FilledQuad, {a, b, c, d}});
  }
  // A bar of the given width from a to b, as one filled quadrilateral.
  Shape& bar(SymbolPoint a, SymbolPoint b, double width) {
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    if (len <= 0) return *this;
    const double nx = -(b.y - a.y) / len * width / 2, ny = (b.x - a.x) / len * width / 2;
    return quad({a.x + nx, a.y + ny}, {a.x - nx, a.y - ny}, {b.x - nx, b.y - ny}, {b.x + nx, b.y + ny});
  }
  SymbolShape take() { return std::move(elements_); }

 private:
  Shape& add(SymbolElement e) {
    elements_.push_back(std::move(e));
    return *this;
  }
  SymbolShape elements_;
};

SymbolPoint Polar(double cx, double cy, double r, double deg) {
  return {cx + r * std::cos(deg * kDegree), cy + r * std::sin(deg * kDegree)};
}

// The character 文 of the school symbols: two crossing legs, the cross bar
// and the short top stroke, as in the university symbol (whose figure sits
// below its point), moved so its middle is at (cx, cy) and scaled by s.
void Bun(Shape& s, double cx, double cy, double scale) {
  const double mid = (-29400 + -754) / 2.0;
  auto p = [&](double x, double y) { return SymbolPoint{cx + x * scale, cy + (y - mid) * scale}; };
  s.line({p(-18000, -29400), p(11355, -5698)});
  s.line({p(18000, -29400), p(-11355, -5698)});
  s.line({p(-14623, -5698), p(14623, -5698)});
  s.line({p(0, -5698), p(0, -754)});
}

// A gear: a rim circle with teeth as short bars pointing outward.
void GearTeeth(Shape& s, double rim, double tip, double width, std::initializer_list<double> anglesDeg) {
  for (double a : anglesDeg) s.bar(Polar(0, 0, rim - 1000, a), Polar(0, 0, tip, a), width);
}

// A cross of the hospital family, arms of half-length h about (cx, cy).
void Cross(Shape& s, double cx, double cy, double h) {
  s.line({{cx, cy + h}, {cx, cy - h}});
  s.line({{cx - h, cy}, {cx + h, cy}});
}

// An anchor: shank from the top ring down to the crown, arms along an arc
// with barbed flukes; scaled by k. The stock and ring are optional.
void Anchor(Shape& s, double k, bool ring, bool stock) {
  const double top = 20000 * k, crown = -22000 * k, armR = 17000 * k, armCy = -5000 * k;
  if (ring) s.circle(0, top + 4000 * k, 4000 * k);
  if (stock) s.line({{-11000 * k, top - 5000 * k}, {11000 * k, top - 5000 * k}});
  s.line({{0, top}, {0, crown}});
  s.arc(0, armCy, armR, 200, 340);
  // Each fluke is an arrowhead at an arm's end, pointing on along the arm.
  for (double endDeg : {200.0, 340.0}) {
    const SymbolPoint tip = Polar(0, armCy, armR, endDeg);
    const double along = endDeg < 270 ? endDeg - 90 : endDeg + 90;   // direction the arm runs out
    const SymbolPoint a = Polar(tip.x, tip.y, 6000 * k, along + 180 - 35);
    const SymbolPoint b = Polar(tip.x, tip.y, 6000 * k, along + 180 + 35);
    s.line({a, tip, b});
  }
}

// A ship's hull and decks, scaled by k, its waterline at y = base.
void Ship(Shape& s, double k, double base, int decks) {
  s.outline({{-26000 * k, base + 6000 * k}, {26000 * k, base + 6000 * k}, {20000 * k, base - 4000 * k},
             {-20000 * k, base - 4000 * k}});
  double y = base + 6000 * k, half = 17000 * k;
  for (int d = 0; d < decks; ++d) {
    const double h = 5500 * k;
    s.outline({{-half, y}, {half, y}, {half - 1500 * k, y + h}, {-half + 1500 * k, y + h}});
    y += h;
    half -= 5500 * k;
  }
  // The funnel.
  s.outline({{-2500 * k, y}, {2500 * k, y}, {3500 * k, y + 5000 * k}, {-1500 * k, y + 5000 * k}});
}

// A lens-shaped leaf from base to tip, half-width w.
void Leaf(Shape& s, SymbolPoint base, SymbolPoint tip, double w) {
  const double len = std::hypot(tip.x - base.x, tip.y - base.y);
  const double nx = -(tip.y - base.y) / len * w, ny = (tip.x - base.x) / len * w;
  const SymbolPoint mid{(base.x + tip.x) / 2, (base.y + tip.y) / 2};
  s.outline({base, {mid.x + nx, mid.y + ny}, tip, {mid.x - nx, mid.y - ny}});
}

// --- Control points and offices -------------------------------------------

SymbolShape TriangulationPoint() {
  return Shape().outline({{0, 18000}, {-15588, -9000}, {15588, -9000}}).dot(0, 0).take();
}

SymbolShape Benchmark() {
  return Shape().dot(0, 0).outline({{-12000, 12000}, {-12000, -12000}, {12000, -12000}, {12000, 12000}}).take();
}

SymbolShape GnssStation() {
  return Shape()
      .dot(0, 0)
      .line({{0, 14400}, {-12471, -7200}, {12471, -7200}, {0, 14400}, {0, 36000}, {5760, 30240},
             {11520, 36000}, {17280, 30240}, {23040, 36000}})
      .take();
}

SymbolShape CityHall() { return Shape().circle(0, 0, 15000).circle(0, 0, 22500).take(); }

// A circle with a dot in its middle.
SymbolShape TownOffice() { return Shape().circle(0, 0, 16000).dot(0, 0).take(); }

// The character 公 made a sign: a circle (ム) under a short stroke between
// two dots (八).
SymbolShape GovernmentOffice() {
  return Shape().circle(0, -4000, 12500).line({{0, 8500}, {0, 17500}}).dot(-9500, 13500).dot(9500, 13500).take();
}

// A notice board (高札) on its post.
SymbolShape Court() {
  return Shape()
      .outline({{-16000, 0}, {16000, 0}, {16000, 12000}, {-16000, 12000}})
      .line({{-17500, 12000}, {0, 17500}, {17500, 12000}})
      .line({{0, 0}, {0, -18000}})
      .take();
}

// An abacus bead on its rod.
SymbolShape TaxOffice() {
  return Shape()
      .outline({{-17000, 0}, {-7000, 8500}, {7000, 8500}, {17000, 0}, {7000, -8500}, {-7000, -8500}})
      .line({{0, 18000}, {0, -18000}})
      .take();
}

// A conifer in a circle.
SymbolShape ForestOffice() {
  return Shape()
      .circle(0, 0, 17000)
      .line({{-8000, -1000}, {0, 11000}, {8000, -1000}})
      .line({{0, 11000}, {0, -12000}})
      .take();
}

// A wind vane: a post carrying an arrow with a feathered tail.
SymbolShape WeatherStation() {
  Shape s;
  s.line({{0, 8000}, {0, -18000}}).line({{-9000, -18000}, {9000, -18000}});
  s.line({{-16000, 8000}, {12000, 8000}});
  s.line({{-10000, 13000}, {-16000, 8000}, {-10000, 3000}});
  s.line({{9000, 8000}, {14000, 14000}, {17000, 14000}, {12000, 8000}});
  s.line({{9000, 8000}, {14000, 2000}, {17000, 2000}, {12000, 8000}});
  return s.take();
}

// A fireman's fork (さすまた): a U on a pole.
SymbolShape FireStation() {
  return Shape().arc(0, 10000, 8000, 180, 360).line({{0, 2000}, {0, -18000}}).take();
}

// A cross on a shield.
SymbolShape HealthCentre() {
  Shape s;
  s.outline({{-14000, 16000}, {14000, 16000}, {14000, 0}, {12500, -7000}, {8000, -13000}, {0, -17500},
             {-8000, -13000}, {-12500, -7000}, {-14000, 0}});
  Cross(s, 0, 2000, 8000);
  return s.take();
}

// Two crossed batons in a circle.
SymbolShape PoliceStation() {
  return Shape()
      .circle(0, 0, 16000)
      .line({{-9500, -9500}, {9500, 9500}})
      .line({{-9500, 9500}, {9500, -9500}})
      .take();
}

// Two crossed batons.
SymbolShape PoliceBox() {
  return Shape().line({{-13000, -13000}, {13000, 13000}}).line({{-13000, 13000}, {13000, -13000}}).take();
}

SymbolShape PostOffice() {
  return Shape()
      .line({{-18000, 0}, {18000, 0}})
      .line({{0, 0}, {0, -18000}})
      .line({{15588, 9000}, {-15588, 9000}})
      .circle(0, 0, 18000)
      .take();
}

// 文 in a circle.
SymbolShape HighSchool() {
  Shape s;
  s.circle(0, 0, 18000);
  Bun(s, 0, 0, 0.62);
  return s.take();
}

// A classical front: pediment, columns and steps.
SymbolShape Museum() {
  Shape s;
  s.outline({{-17000, 7000}, {17000, 7000}, {0, 17000}});
  for (double x : {-12000.0, -4000.0, 4000.0, 12000.0}) s.line({{x, 7000}, {x, -12000}});
  s.line({{-15000, -12000}, {15000, -12000}});
  s.line({{-17000, -16000}, {17000, -16000}});
  return s.take();
}

// A torii.
SymbolShape Shrine() {
  return Shape()
      .line({{-18000, 14500}, {-14000, 12000}, {14000, 12000}, {18000, 14500}})
      .line({{-14000, 6000}, {14000, 6000}})
      .line({{-9000, 12000}, {-10000, -16000}})
      .line({{9000, 12000}, {10000, -16000}})
      .line({{0, 12000}, {0, 6000}})
      .take();
}

// --- Tall structures: the reference point is the foot ------------------------

SymbolShape Tower() {
  return Shape()
      .outline({{-6500, 0}, {6500, 0}, {3000, 15000}, {0, 20000}, {-3000, 15000}})
      .line({{-4900, 7000}, {4900, 7000}})
      .line({{-3000, 15000}, {3000, 15000}})
      .take();
}

// A stele on its pedestal.
SymbolShape Monument() {
  return Shape()
      .outline({{-10000, 0}, {10000, 0}, {10000, 4500}, {-10000, 4500}})
      .outline({{-4500, 4500}, {4500, 4500}, {4500, 16000}, {0, 20000}, {-4500, 16000}})
      .take();
}

// A tapering chimney with a wisp of smoke.
SymbolShape Chimney() {
  return Shape()
      .outline({{-5500, 0}, {5500, 0}, {3000, 13000}, {-3000, 13000}})
      .arc(3500, 14500, 3500, 180, 90)
      .arc(3500, 21500, 3500, 270, 360)
      .line({{0, 13000}, {0, 14500}})
      .take();
}

// A derrick over the well.
SymbolShape OilField() {
  return Shape()
      .line({{-8000, 0}, {0, 20000}, {8000, 0}})
      .line({{-5600, 6000}, {5600, 6000}})
      .line({{-3200, 12000}, {3200, 12000}})
      .line({{-5600, 6000}, {3200, 12000}})
      .line({{-12000, 0}, {12000, 0}})
      .take();
}

// A light with its beams.
SymbolShape Lighthouse() {
  Shape s;
  s.dot(0, 0).circle(0, 0, 7500);
  for (int k = 0; k < 8; ++k) s.line({Polar(0, 0, 10500, k * 45), Polar(0, 0, 17500, k * 45)});
  return s.take();
}

// Four sails on a post.
SymbolShape Windmill() {
  Shape s;
  s.line({{0, 0}, {0, 15000}}).line({{-7000, 0}, {7000, 0}});
  for (double a : {45.0, 135.0, 225.0, 315.0}) {
    const SymbolPoint tip = Polar(0, 15000, 13000, a);
    const SymbolPoint side = Polar(0, 15000, 11000, a + 14);
    s.outline({{0, 15000}, tip, side});
  }
  return s.take();
}

// A car ferry: a hull with two decks and a funnel.
SymbolShape Ferry() {
  Shape s;
  Ship(s, 1.0, -8000, 2);
  return s.take();
}

// A small passenger boat: a hull with one deck.
SymbolShape PassengerBoat() {
  Shape s;
  Ship(s, 0.8, -6000, 1);
  return s.take();
}

// A headstone on its base.
SymbolShape Cemetery() {
  return Shape().line({{-12000, -12000}, {12000, -12000}}).line({{0, -12000}, {0, 14000}}).take();
}

// A flag with a stripe through its middle.
SymbolShape SelfDefenceForces() {
  return Shape()
      .line({{-12000, -18000}, {-12000, 17000}})
      .outline({{-12000, 17000}, {14000, 17000}, {14000, -1000}, {-12000, -1000}})
      .quad({-12000, 10000}, {14000, 10000}, {14000, 6000}, {-12000, 6000})
      .take();
}

// A cogwheel.
SymbolShape Factory() {
  Shape s;
  s.circle(0, 0, 10000);
  GearTeeth(s, 10000, 16500, 4000, {0, 45, 90, 135, 180, 225, 270, 315});
  return s.take();
}

// A cogwheel with two cranked handles.
SymbolShape PowerStation() {
  Shape s;
  s.circle(0, 0, 10000);
  GearTeeth(s, 10000, 16500, 4000, {45, 90, 135, 225, 270, 315});
  // The handles: the teeth east and west drawn out and cranked.
  s.bar({-9000, 0}, {-18000, 0}, 4000).bar({-16000, 0}, {-16000, -8000}, 4000);
  s.bar({9000, 0}, {18000, 0}, 4000).bar({16000, 0}, {16000, 8000}, 4000);
  return s.take();
}

SymbolShape HotSpring() {
  return Shape()
      .ellipseArc(0, -17323, 30000, 0.422573, 2.24151, 7.18327)
      .arc(-8092, -9170, 12051, 304.158, 421.284)
      .arc(2017, 10418, 10000, 114, 244.408)
      .arc(2041, -10006, 13038, 304.07, 421.02)
      .arc(12462, 9967, 9500, 114, 244.408)
      .arc(-8779, 11320, 11000, 114, 244.408)
      .arc(-18448, -8200, 10785, 303.408, 422.876)
      .take();
}

// A vent: a small ring with rays bursting out of it.
SymbolShape Crater() {
  Shape s;
  s.circle(0, 0, 5500);
  for (int k = 0; k < 12; ++k) s.line({Polar(0, 0, 8000, k * 30 + 15), Polar(0, 0, 17000, k * 30 + 15)});
  return s.take();
}

// Two crossed picks.
SymbolShape Mine() {
  Shape s;
  for (double side : {-1.0, 1.0}) {
    s.line({{-side * 13000, -15000}, {side * 13000, 15000}});
    // The head: an arc across the top of the handle.
    const double a = side > 0 ? 49.1 : 130.9;
    const SymbolPoint c = Polar(side * 13000, 15000, -12000, a);
    s.arc(c.x, c.y, 12000, a - 32, a + 32);
  }
  return s.take();
}

// The plan of a castle's walls (縄張り).
SymbolShape CastleRuin() {
  return Shape()
      .line({{-16000, -15000}, {-16000, 6800}, {-8800, 6800}, {-8800, 15000}, {8800, 15000}, {8800, 6800},
             {16000, 6800}, {16000, -15000}})
      .take();
}

SymbolShape MajorPort() {
  Shape s;
  Anchor(s, 1.05, true, true);
  return s.take();
}

SymbolShape LocalPort() {
  Shape s;
  Anchor(s, 0.85, true, true);
  return s.take();
}

// A fishing hook on a ringed shank.
SymbolShape FishingPort() {
  Shape s;
  s.circle(0, 21000, 3500);
  s.line({{0, 17500}, {0, -9000}});
  s.arc(8000, -9000, 8000, 180, 360);
  s.line({{16000, -9000}, {16000, 2000}, {12000, -3000}});
  return s.take();
}

SymbolShape HistoricSite() { return Shape().dot(0, 19200).dot(16628, -9600).dot(-16628, -9600).take(); }

SymbolShape RouteShield() {
  return Shape()
      .quad({41619, 22994}, {-41619, 22994}, {-50499, 7613}, {50499, 7613})
      .quad({50499, 7613}, {-50499, 7613}, {-8880, -64472}, {8880, -64472})
      .take();
}

// A mast sending waves to both sides.
SymbolShape RadioTower() {
  Shape s;
  s.circle(0, 0, 2500).line({{0, 2500}, {0, 20000}});
  for (double side : {-1.0, 1.0})
    s.line({{side * 3500, 19000}, {side * 8500, 14500}, {side * 5000, 13500}, {side * 10500, 8000}});
  return s.take();
}

SymbolShape School() {
  Shape s;
  Bun(s, 0, 0, 0.9);
  return s.take();
}

// A cross in a circle.
SymbolShape Hospital() {
  Shape s;
  s.circle(0, 0, 16000);
  Cross(s, 0, 0, 10000);
  return s.take();
}

SymbolShape SpotHeight() { return Shape().dot(0, 0).take(); }

// --- Vegetation and land use --------------------------------------------------

// Rice stubble.
SymbolShape RiceField() {
  return Shape().line({{-5000, -9000}, {-5000, 9000}}).line({{5000, -9000}, {5000, 9000}}).take();
}

// Two seed leaves opening from one point, at (0, base).
void SeedLeaves(Shape& s, double base, double r) {
  s.arc(-r, base, r, 0, 60);
  s.arc(r, base, r, 180, 120);
}

SymbolShape Field() {
  Shape s;
  SeedLeaves(s, -9000, 17000);
  return s.take();
}

// The seed leaves on a stem.
SymbolShape MulberryField() {
  Shape s;
  s.line({{0, -12000}, {0, 0}});
  SeedLeaves(s, 0, 13000);
  return s.take();
}

// Tea seeds.
SymbolShape TeaField() {
  return Shape().circle(0, 7000, 4000).circle(-7500, -5500, 4000).circle(7500, -5500, 4000).take();
}

// A low pine spreading over the ground.
SymbolShape DwarfPine() {
  return Shape()
      .arc(0, -12000, 17000, 25, 155)
      .line({{0, 5000}, {0, -12000}})
      .line({{-9000, -5000}, {0, 0}, {9000, -5000}})
      .take();
}

// A tuft of weeds on the ground.
SymbolShape Wasteland() {
  return Shape()
      .line({{-11000, -8000}, {11000, -8000}})
      .line({{-6000, -8000}, {-8500, 3000}})
      .line({{0, -8000}, {0, 8000}})
      .line({{6000, -8000}, {8500, 3000}})
      .take();
}

// An open book.
SymbolShape Library() {
  return Shape()
      .outline({{0, 9000}, {-16000, 13000}, {-16000, -9000}, {0, -13000}})
      .outline({{0, 9000}, {16000, 13000}, {16000, -9000}, {0, -13000}})
      .take();
}

// Two long pointed leaves on a short stem.
SymbolShape BambooGrass() {
  Shape s;
  s.line({{0, -14000}, {0, -6000}});
  Leaf(s, {0, -6000}, {-14000, 8000}, 3000);
  Leaf(s, {0, -6000}, {14000, 8000}, 3000);
  return s.take();
}

// A fruit on its stalk.
SymbolShape Orchard() {
  return Shape().circle(0, -4000, 8500).line({{0, 4500}, {3500, 13000}}).take();
}

// A round shrub on the ground line.
SymbolShape OtherTreeCrop() {
  return Shape().circle(0, 1000, 8000).line({{-11000, -9000}, {11000, -9000}}).take();
}

// A round crown on a trunk.
SymbolShape BroadleafForest() {
  return Shape().circle(0, 4000, 8500).line({{0, -4500}, {0, -15000}}).take();
}

// A pointed crown on a trunk.
SymbolShape ConiferForest() {
  return Shape().line({{-8500, 0}, {0, 13000}, {8500, 0}}).line({{0, 13000}, {0, -15000}}).take();
}

// A jointed cane with two leaves.
SymbolShape BambooGrove() {
  Shape s;
  s.line({{0, -16000}, {0, 15000}});
  s.line({{-2500, -8000}, {2500, -8000}}).line({{-2500, 0}, {2500, 0}});
  Leaf(s, {0, 8000}, {-13000, 2000}, 2500);
  Leaf(s, {0, 8000}, {13000, 2000}, 2500);
  return s.take();
}

// A palm: a trunk under arching fronds.
SymbolShape PalmGrove() {
  return Shape()
      .line({{0, -16000}, {0, 8000}})
      .arc(-7000, 8000, 7000, 0, 150)
      .arc(-4500, 8000, 4500, 0, 180)
      .arc(7000, 8000, 7000, 180, 30)
      .arc(4500, 8000, 4500, 180, 0)
      .take();
}

// 卍.
SymbolShape Temple() {
  const double a = 13000;
  return Shape()
      .line({{0, -a}, {0, a}})
      .line({{-a, 0}, {a, 0}})
      .line({{0, a}, {-a, a}})
      .line({{a, 0}, {a, a}})
      .line({{0, -a}, {a, -a}})
      .line({{-a, 0}, {-a, -a}})
      .take();
}

SymbolShape Gravel() { return Shape().quad({-212, 212}, {212, 212}, {212, -212}, {-212, -212}).take(); }

// 文 below the point; the glyph brackets are set beside it by the symbol pass.
SymbolShape HigherSchool() {
  return Shape()
      .line({{-18000, -29400}, {11355, -5698}})
      .line({{18000, -29400}, {-11355, -5698}})
      .line({{-14623, -5698}, {14623, -5698}})
      .line({{0, -5698}, {0, -754}})
      .take();
}

// A house with a walking stick.
SymbolShape ElderlyHome() {
  return Shape()
      .outline({{-15000, -15000}, {15000, -15000}, {15000, 4000}, {0, 16000}, {-15000, 4000}})
      .line({{2500, -11000}, {2500, 3000}})
      .arc(-1000, 3000, 3500, 0, 200)
      .take();
}

using Builder = SymbolShape (*)();

// In id order, entry 0 unused.
constexpr std::array<Builder, kSymbolCount + 1> kBuilders = {
    nullptr,
    TriangulationPoint, Benchmark, GnssStation, CityHall, TownOffice, GovernmentOffice, Court, TaxOffice,
    ForestOffice, WeatherStation, FireStation, HealthCentre, PoliceStation, PoliceBox, PostOffice, HighSchool,
    Museum, Shrine, Tower, Monument, Chimney, OilField, Lighthouse, Windmill,
    Ferry, PassengerBoat, Cemetery, SelfDefenceForces, Factory, PowerStation, HotSpring, Crater,
    Mine, CastleRuin, MajorPort, LocalPort, FishingPort, HistoricSite, RouteShield, RadioTower,
    School, Hospital, SpotHeight, RiceField, Field, MulberryField, TeaField, DwarfPine,
    Wasteland, Library, BambooGrass, Orchard, OtherTreeCrop, BroadleafForest, ConiferForest, BambooGrove,
    PalmGrove, Temple, Gravel, HigherSchool, HigherSchool, HigherSchool, ElderlyHome,
};

void Extend(SymbolBox& box, double x, double y) {
  if (box.empty) {
    box = {x, y, x, y, false};
    return;
  }
  box.left = std::min(box.left, x), box.right = std::max(box.right, x);
  box.bottom = std::min(box.bottom, y), box.top = std::max(box.top, y);
}

void ExtendByArc(SymbolBox& box, const SymbolElement& e, double s, double t, double ky) {
  for (int j = 0; j <= kArcSegments; ++j) {
    const double theta = s + j * (t - s) / kArcSegments;
    Extend(box, e.cx + e.r * std::cos(theta), e.cy + ky * e.r * std::sin(theta));
  }
}

}  // namespace

SymbolShape SymbolShapeOf(int id) {
  if (id < 1 || id > kSymbolCount) return {};
  return kBuilders[static_cast<size_t>(id)]();
}

SymbolBox SymbolBounds(const SymbolShape& shape) {
  SymbolBox box;
  for (const SymbolElement& e : shape) {
    switch (e.kind) {
      case Kind::Outline:
      case Kind::Line:
      case Kind::FilledQuad:
        for (const SymbolPoint& p : e.points) Extend(box, p.x, p.y);
        break;
      case Kind::Arc:
        ExtendByArc(box, e, e.start * kDegree, e.end * kDegree, 1.0);
        break;
      case Kind::EllipseArc:
        ExtendByArc(box, e, e.start, e.end, e.ky);
        break;
      case Kind::Dot:
        for (int j = 0; j < kDotVertices && !e.points.empty(); ++j) {
          const SymbolPoint p = Polar(e.points[0].x, e.points[0].y, kDotRadius, j * 360.0 / kDotVertices);
          Extend(box, p.x, p.y);
        }
        break;
    }
  }
  return box;
}

}  // namespace velkaro
