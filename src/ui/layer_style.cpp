#include "ui/layer_style.h"

namespace velkaro {
namespace {

const LayerTree* TreeOf(const JobSettings& s, const LayerRef& ref) {
  if (ref.kind == LayerRef::Kind::FgdNode) return &s.layers.fgd;
  if (ref.kind == LayerRef::Kind::KkjNode) return &s.layers.kkj;
  return nullptr;
}

LayerTree* TreeOf(JobSettings& s, const LayerRef& ref) {
  return const_cast<LayerTree*>(TreeOf(static_cast<const JobSettings&>(s), ref));
}

const LayerNode& NodeOf(const LayerTree& tree, const LayerRef& ref) {
  const LayerGroup& g = tree.groups[static_cast<size_t>(ref.group)];
  return ref.child < 0 ? g.node : g.children[static_cast<size_t>(ref.child)];
}

LayerStyle CheckBoxStyle(int32_t colour, int styleWord) {
  const int width = styleWord % 256 - 1;
  return {colour, static_cast<uint8_t>(width < 0 ? 0 : width), static_cast<uint8_t>(styleWord / 256)};
}

}  // namespace

bool LayerRefValid(const JobSettings& s, const LayerRef& ref) {
  if (const LayerTree* tree = TreeOf(s, ref)) {
    if (ref.group < 0 || static_cast<size_t>(ref.group) >= tree->groups.size()) return false;
    return ref.child < 0 || static_cast<size_t>(ref.child) < tree->groups[static_cast<size_t>(ref.group)].children.size();
  }
  if (ref.kind == LayerRef::Kind::KsjTheme) return ref.index >= 0 && static_cast<size_t>(ref.index) < s.layers.ksj.size();
  return true;
}

LayerStyle StyleOf(const JobSettings& s, const LayerRef& ref) {
  if (const LayerTree* tree = TreeOf(s, ref)) {
    const LayerEntry& e = NodeOf(*tree, ref).entry;
    return {e.colour, e.widthIndex, e.sizeIndex};
  }
  switch (ref.kind) {
    case LayerRef::Kind::KsjTheme: {
      const KsjTheme& t = s.layers.ksj[static_cast<size_t>(ref.index)];
      return CheckBoxStyle(t.colour, t.styleWord);
    }
    case LayerRef::Kind::MeshSwitch: return CheckBoxStyle(s.tiikimesh.colour, s.tiikimesh.styleWord);
    default: return {s.haikei, 0, 12};
  }
}

QString StyleCaption(const JobSettings& s, const LayerRef& ref) {
  if (const LayerTree* tree = TreeOf(s, ref)) return QString::fromStdString(NodeOf(*tree, ref).text);
  switch (ref.kind) {
    case LayerRef::Kind::KsjTheme: return QString::fromStdString(s.layers.ksj[static_cast<size_t>(ref.index)].caption);
    case LayerRef::Kind::MeshSwitch: return QString::fromStdString(s.tiikimesh.caption);
    default: return QStringLiteral("背景色");
  }
}

void ApplyLayerStyle(JobSettings& s, const LayerRef& ref, const LayerStyle& style) {
  if (!LayerRefValid(s, ref)) return;
  if (LayerTree* tree = TreeOf(s, ref)) {
    const auto g = static_cast<size_t>(ref.group);
    if (ref.child < 0)
      tree->styleGroup(g, style.colour, style.widthIndex, style.sizeIndex);
    else
      tree->styleChild(g, static_cast<size_t>(ref.child), style.colour, style.widthIndex, style.sizeIndex);
    return;
  }
  switch (ref.kind) {
    case LayerRef::Kind::KsjTheme: {
      KsjTheme& t = s.layers.ksj[static_cast<size_t>(ref.index)];
      t.colour = style.colour;
      t.textColour = CheckBoxTextColour(style.colour);
      t.styleWord = CheckBoxStyleWord(style.sizeIndex, style.widthIndex);
      break;
    }
    case LayerRef::Kind::MeshSwitch:
      s.tiikimesh.colour = style.colour;
      s.tiikimesh.styleWord = CheckBoxStyleWord(style.sizeIndex, style.widthIndex);
      break;
    default: s.haikei = style.colour; break;
  }
}

}  // namespace velkaro
