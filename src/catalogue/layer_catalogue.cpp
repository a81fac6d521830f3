#include "catalogue/layer_catalogue.h"

#include <algorithm>

namespace velkaro {
namespace {

void SetStyle(LayerEntry& entry, int32_t colour, uint8_t widthIndex, uint8_t sizeIndex) {
  entry.colour = colour;
  entry.widthIndex = widthIndex;
  entry.sizeIndex = sizeIndex;
}

}  // namespace

std::string LayerEntry::elementName() const {
  const size_t dash = name.find('-');
  return dash == std::string::npos ? name : name.substr(0, dash);
}

void LayerTree::refreshGroups() {
  for (LayerGroup& group : groups) {
    const auto& children = group.children;
    group.node.on = std::any_of(children.begin(), children.end(),
                                [](const LayerNode& child) { return child.on; });
    // A group shows one colour only when every child agrees on it.
    int32_t common = children.empty() ? 0 : children.front().entry.colour;
    for (const LayerNode& child : children) {
      if (child.entry.colour != common) {
        common = 0;
        break;
      }
    }
    group.node.entry.colour = common;
  }
}

void LayerTree::expandGroupsThatAreOn() {
  for (LayerGroup& group : groups) group.expanded = group.node.on;
}

LayerNode* LayerTree::findChild(std::string_view name) {
  for (LayerGroup& group : groups) {
    for (LayerNode& child : group.children) {
      if (child.entry.name == name) return &child;
    }
  }
  return nullptr;
}

const LayerNode* LayerTree::findChild(std::string_view name) const {
  return const_cast<LayerTree*>(this)->findChild(name);
}

int LayerTree::childCount() const {
  int count = 0;
  for (const LayerGroup& group : groups) count += static_cast<int>(group.children.size());
  return count;
}

void LayerTree::toggleGroup(size_t group) {
  if (group >= groups.size()) return;
  LayerGroup& g = groups[group];
  g.node.on = !g.node.on;
  for (LayerNode& child : g.children) child.on = g.node.on;
}

void LayerTree::toggleChild(size_t group, size_t child) {
  if (group >= groups.size() || child >= groups[group].children.size()) return;
  LayerGroup& g = groups[group];
  g.children[child].on = !g.children[child].on;
  g.node.on = std::any_of(g.children.begin(), g.children.end(),
                          [](const LayerNode& c) { return c.on; });
}

void LayerTree::styleGroup(size_t group, int32_t colour, uint8_t widthIndex, uint8_t sizeIndex) {
  if (group >= groups.size()) return;
  LayerGroup& g = groups[group];
  SetStyle(g.node.entry, colour, widthIndex, sizeIndex);
  for (LayerNode& child : g.children) SetStyle(child.entry, colour, widthIndex, sizeIndex);
}

void LayerTree::styleChild(size_t group, size_t child, int32_t colour, uint8_t widthIndex,
                           uint8_t sizeIndex) {
  if (group >= groups.size() || child >= groups[group].children.size()) return;
  LayerGroup& g = groups[group];
  LayerEntry& entry = g.children[child].entry;
  SetStyle(entry, colour, widthIndex, sizeIndex);
  auto allShare = [&](auto field) {
    return std::all_of(g.children.begin(), g.children.end(),
                       [&](const LayerNode& c) { return field(c.entry) == field(entry); });
  };
  g.node.entry.colour = allShare([](const LayerEntry& e) { return e.colour; }) ? colour : 0;
  if (allShare([](const LayerEntry& e) { return e.widthIndex; })) g.node.entry.widthIndex = widthIndex;
  if (allShare([](const LayerEntry& e) { return e.sizeIndex; })) g.node.entry.sizeIndex = sizeIndex;
}

int32_t CheckBoxTextColour(int32_t colour) {
  constexpr int32_t kNeutralGrey = 0x808080;
  return colour == kNeutralGrey ? 0 : 0xFFFFFF - colour;
}

int CheckBoxStyleWord(uint8_t sizeIndex, uint8_t widthIndex) {
  return sizeIndex * 256 + widthIndex + 1;
}

void SwitchElevationClass(std::array<bool, 5>& classes, int k, bool on) {
  if (k < 0 || k >= static_cast<int>(classes.size())) return;
  classes[static_cast<size_t>(k)] = on;
  if (on && std::count(classes.begin(), classes.end(), true) > 1) {
    classes.fill(false);
    classes[static_cast<size_t>(k)] = true;
  }
}

}  // namespace velkaro
