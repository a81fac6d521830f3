// The shipped layer trees route real source features to their layers: the
// keys of the definition files must be the values the files really hold.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gml_test_support.h"
#include "catalogue/catalogue_loader.h"
#include "vector/scan_tree.h"
#include "scratch/scratch_file.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;

// Switches on exactly the children of the group whose first entry is `name`.
const LayerGroup* SelectOnly(LayerTree& tree, const std::string& name) {
  const LayerGroup* selected = nullptr;
  for (LayerGroup& group : tree.groups) {
    const bool wanted = group.node.entry.name == name;
    for (LayerNode& child : group.children) child.on = wanted;
    if (wanted) selected = &group;
  }
  tree.refreshGroups();
  return selected;
}

TEST(ShippedTreeRouting, RealBuildingFileFillsTheBuildingLayers) {
  LayerCatalogue catalogue;
  ASSERT_TRUE(LoadLayerCatalogue(catalogue, VELKARO_BIN_DIR "/").clean());

  TempFolder source, out;
  // The real file under the name the download service gives it (mesh 533946).
  std::filesystem::copy_file(std::string(VELKARO_SAMPLES_DIR) + "/fgd/knt5-jpgis-convert/input.xml",
                             source.file("FG-GML-533946-BldA-20151001-0001.xml"));
  TestJob t(out.str(), 35.66, 139.75, 35.74, 139.83);
  t->meshCodes = {"-533946"};

  const LayerGroup* buildings = SelectOnly(catalogue.fgd, "BldA-1");
  ASSERT_NE(buildings, nullptr);
  scanTree(*t, catalogue.fgd, source.str(), 1, 0x7FFFFC00);  // the area pass
  EXPECT_EQ(t->errorText, "");

  // 2 普通建物, 3 堅ろう建物, 1 普通無壁舎, 1 堅ろう無壁舎 in the file.
  const std::vector<size_t> expected = {2, 3, 1, 1};
  ASSERT_EQ(buildings->children.size(), expected.size());
  for (size_t k = 0; k < expected.size(); ++k) {
    const LayerNode& layer = buildings->children[k];
    // Each polygon record starts with "sep"; its holes start with "mado".
    size_t features = 0;
    for (const std::string& line : ScratchLines(ScratchPath(out.str(), layer.text))) {
      if (line == "sep") ++features;
    }
    EXPECT_EQ(features, expected[k]) << layer.text;
  }
}

}  // namespace
}  // namespace velkaro
