#include "vector/layer_catalogue.h"

#include <algorithm>

namespace velkaro {

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

}  // namespace velkaro
