#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vector/layer_catalogue.h"

namespace velkaro {
namespace {

LayerNode Child(const std::string& name, int32_t colour, bool on) {
  LayerNode node;
  node.entry.name = name;
  node.entry.colour = colour;
  node.on = on;
  return node;
}

LayerGroup Group(std::vector<LayerNode> children, bool on, int32_t colour) {
  LayerGroup group;
  group.children = std::move(children);
  group.node.on = on;  // deliberately stale: refresh must recompute it
  group.node.entry.colour = colour;
  return group;
}

TEST(CatalogueTree, RefreshTakesStateAndCommonColourFromChildren) {
  struct Case {
    const char* what;
    LayerGroup group;
    bool on;
    int32_t colour;
  } cases[] = {
      {"all off, one colour", Group({Child("a", 0x123456, false), Child("b", 0x123456, false)}, true, 7),
       false, 0x123456},
      {"one on, colours differ", Group({Child("a", 0xFF, false), Child("b", 0xFF00, true)}, false, 7),
       true, 0},
      {"last child differs", Group({Child("a", 5, true), Child("b", 5, true), Child("c", 6, true)}, false, 5),
       true, 0},
      {"single child", Group({Child("a", 0xBED2FF, true)}, false, 0), true, 0xBED2FF},
      {"no children", Group({}, true, 9), false, 0},
  };
  for (Case& c : cases) {
    LayerTree tree;
    tree.groups.push_back(c.group);
    tree.refreshGroups();
    EXPECT_EQ(tree.groups[0].node.on, c.on) << c.what;
    EXPECT_EQ(tree.groups[0].node.entry.colour, c.colour) << c.what;
  }
}

TEST(CatalogueTree, ExpandsExactlyTheGroupsThatAreOn) {
  LayerTree tree;
  tree.groups.push_back(Group({Child("a", 0, true)}, false, 0));
  tree.groups.push_back(Group({Child("b", 0, false)}, true, 0));
  tree.groups[1].expanded = true;
  tree.refreshGroups();
  tree.expandGroupsThatAreOn();
  EXPECT_TRUE(tree.groups[0].expanded);
  EXPECT_FALSE(tree.groups[1].expanded);
}

TEST(CatalogueTree, FindsChildrenByEntryNameAcrossGroups) {
  LayerTree tree;
  tree.groups.push_back(Group({Child("WA-1", 0, false), Child("WA-2", 0, false)}, false, 0));
  tree.groups.push_back(Group({Child("RdEdg-1", 0, false)}, false, 0));
  tree.groups[1].node.entry.name = "Group";  // a group's own entry is not a child
  EXPECT_EQ(tree.childCount(), 3);
  ASSERT_NE(tree.findChild("RdEdg-1"), nullptr);
  tree.findChild("RdEdg-1")->on = true;
  const LayerTree& view = tree;
  EXPECT_TRUE(view.findChild("RdEdg-1")->on);
  EXPECT_EQ(view.findChild("WA-2"), &tree.groups[0].children[1]);
  EXPECT_EQ(view.findChild("Group"), nullptr);
  EXPECT_EQ(view.findChild("WA"), nullptr);
}

TEST(CatalogueTree, ElementNameIsThePartBeforeTheFirstDash) {
  const std::pair<const char*, const char*> cases[] = {
      {"AdmArea-12", "AdmArea"}, {"RdEdg-1", "RdEdg"}, {"AdmBdry", "AdmBdry"},
      {"A-B-C", "A"}, {"-1", ""}, {"", ""},
  };
  for (const auto& [name, element] : cases) {
    LayerEntry entry;
    entry.name = name;
    EXPECT_EQ(entry.elementName(), element) << name;
  }
}

}  // namespace
}  // namespace velkaro
