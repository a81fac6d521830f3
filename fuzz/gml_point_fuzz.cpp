// The FGD/KKJ point readers: names, spot heights, control points,
// annotation and symbols. The choice byte picks one of the catalogue's
// groups that a point reader reads and that reader, so each reader sees the
// element names and type keys of every group it serves.
#include <cstdint>
#include <vector>

#include "catalogue_support.h"
#include "gml_reader_job.h"

using namespace velkaro;

namespace {

struct PointCase {
  gml::GmlReader reader;
  const LayerGroup* group;
};

// Every (group, point reader) pair of both trees, in tree order.
std::vector<PointCase> PointCases() {
  static constexpr struct {
    int bit;
    gml::GmlReader reader;
  } kReaders[] = {{GML1Name, gml::GML1Name},
                  {GML2Elv, gml::GML2Elv},
                  {GML4GCP, gml::GML4GCP},
                  {GML8LayoutStr, gml::GML8LayoutStr},
                  {GML16Symbol, gml::GML16Symbol}};
  std::vector<PointCase> cases;
  for (const LayerTree* tree : {&fuzz::Catalogue().fgd, &fuzz::Catalogue().kkj})
    for (const LayerGroup& group : tree->groups)
      for (const auto& r : kReaders)
        if (group.node.entry.readerMask & r.bit) cases.push_back({r.reader, &group});
  return cases;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::GmlReaderJob job;
  static const std::vector<PointCase> cases = PointCases();
  fuzz::Input input(data, size);
  const PointCase& c = cases[input.choice() % cases.size()];
  job.readGroup(c.reader, input.rest(), *c.group);
  return 0;
}
