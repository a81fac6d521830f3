#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "catalogue/layer_catalogue.h"

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

LayerTree ThreeRoads() {
  LayerTree tree;
  tree.groups.push_back(Group({Child("RdEdg-1", 0x505050, true), Child("RdEdg-2", 0x505050, false),
                               Child("RdEdg-3", 0x808080, false)},
                              true, 0));
  tree.groups.push_back(Group({Child("WA-1", 0xBED2FF, false)}, false, 0xBED2FF));
  return tree;
}

TEST(CatalogueTree, TogglingAGroupCarriesItsChildren) {
  LayerTree tree = ThreeRoads();
  tree.toggleGroup(0);  // on -> off: every child follows
  EXPECT_FALSE(tree.groups[0].node.on);
  for (const LayerNode& child : tree.groups[0].children) EXPECT_FALSE(child.on) << child.entry.name;
  tree.toggleGroup(0);
  for (const LayerNode& child : tree.groups[0].children) EXPECT_TRUE(child.on) << child.entry.name;
  EXPECT_FALSE(tree.groups[1].node.on);  // other groups untouched
  tree.toggleGroup(7);                   // out of range: nothing happens
  EXPECT_EQ(tree.childCount(), 4);
}

TEST(CatalogueTree, TogglingTheLastChildOffSwitchesTheGroupOff) {
  LayerTree tree = ThreeRoads();
  tree.toggleChild(0, 1);
  EXPECT_TRUE(tree.groups[0].node.on);
  tree.toggleChild(0, 0);
  EXPECT_TRUE(tree.groups[0].node.on);  // RdEdg-2 is still on
  tree.toggleChild(0, 1);
  EXPECT_FALSE(tree.groups[0].node.on);
  tree.toggleChild(1, 0);
  EXPECT_TRUE(tree.groups[1].node.on);
  tree.toggleChild(1, 5);  // out of range: nothing happens
  EXPECT_TRUE(tree.groups[1].children[0].on);
}

TEST(CatalogueTree, StylingChildrenGivesTheGroupOnlySharedValues) {
  LayerTree tree = ThreeRoads();
  tree.groups[0].node.entry.widthIndex = 4;
  tree.groups[0].node.entry.sizeIndex = 6;
  // The children still differ in colour and width after the first dialog.
  tree.styleChild(0, 2, 0x505050, 2, 14);
  EXPECT_EQ(tree.groups[0].node.entry.colour, 0x505050);
  EXPECT_EQ(tree.groups[0].node.entry.widthIndex, 4);
  EXPECT_EQ(tree.groups[0].node.entry.sizeIndex, 6);
  tree.styleChild(0, 0, 0x0000FF, 2, 14);
  tree.styleChild(0, 1, 0x0000FF, 2, 14);
  EXPECT_EQ(tree.groups[0].node.entry.colour, 0);  // RdEdg-3 still differs
  tree.styleChild(0, 2, 0x0000FF, 2, 14);
  EXPECT_EQ(tree.groups[0].node.entry.colour, 0x0000FF);
  EXPECT_EQ(tree.groups[0].node.entry.widthIndex, 2);
  EXPECT_EQ(tree.groups[0].node.entry.sizeIndex, 14);

  tree.styleGroup(0, 0x00FF00, 5, 3);
  for (const LayerNode* node : {&tree.groups[0].node, &tree.groups[0].children[0],
                                &tree.groups[0].children[2]}) {
    EXPECT_EQ(node->entry.colour, 0x00FF00);
    EXPECT_EQ(node->entry.widthIndex, 5);
    EXPECT_EQ(node->entry.sizeIndex, 3);
  }
  EXPECT_EQ(tree.groups[1].children[0].entry.colour, 0xBED2FF);
}

TEST(CatalogueTree, CheckBoxStyleAndCaptionColour) {
  EXPECT_EQ(CheckBoxTextColour(0x808080), 0);
  EXPECT_EQ(CheckBoxTextColour(0x0000FF), 0xFFFF00);
  EXPECT_EQ(CheckBoxTextColour(0), 0xFFFFFF);
  EXPECT_EQ(CheckBoxStyleWord(12, 0), 3073);
  EXPECT_EQ(CheckBoxStyleWord(3, 4), 3 * 256 + 5);
}

TEST(CatalogueTree, AtMostOneElevationClassOfAGroupIsOn) {
  std::array<bool, kElevationClasses> classes{};
  SwitchElevationClass(classes, 1, true);
  EXPECT_EQ(classes, (std::array<bool, kElevationClasses>{false, true, false, false, false}));
  SwitchElevationClass(classes, 4, true);
  EXPECT_EQ(classes, (std::array<bool, kElevationClasses>{false, false, false, false, true}));
  SwitchElevationClass(classes, 4, false);
  EXPECT_EQ(classes, (std::array<bool, kElevationClasses>{}));
  // A file may have left two on; switching one off leaves the other alone.
  classes = {true, false, true, false, false};
  SwitchElevationClass(classes, 2, false);
  EXPECT_EQ(classes, (std::array<bool, kElevationClasses>{true, false, false, false, false}));
  SwitchElevationClass(classes, 9, true);
  EXPECT_EQ(classes, (std::array<bool, kElevationClasses>{true, false, false, false, false}));
}

}  // namespace
}  // namespace velkaro
