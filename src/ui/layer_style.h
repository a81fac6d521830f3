#pragma once
// Which layer the line style dialog is editing, the values it opens with and
// what its OK does to the record: tree nodes (group or child), KSJ theme
// check boxes, the standard regional mesh switch and the background colour.

#include <QString>
#include <cstdint>

#include "job/job_settings.h"

namespace velkaro {

struct LayerRef {
  enum class Kind { FgdNode, KkjNode, KsjTheme, MeshSwitch, Background };
  Kind kind = Kind::Background;
  int group = -1;  // tree nodes: group index
  int child = -1;  // tree nodes: child index, -1 for the group itself
  int index = -1;  // KSJ theme index

  static LayerRef node(Kind tree, int group, int child) { return {tree, group, child, -1}; }
  static LayerRef theme(int index) { return {Kind::KsjTheme, -1, -1, index}; }
  static LayerRef mesh() { return {Kind::MeshSwitch, -1, -1, -1}; }
  static LayerRef background() { return {Kind::Background, -1, -1, -1}; }
};

// Colour, 0-based width index and size index, as the dialog shows them.
struct LayerStyle {
  int32_t colour = 0;
  uint8_t widthIndex = 0;
  uint8_t sizeIndex = 12;
};

// The values the dialog opens with (the background opens with width 0).
LayerStyle StyleOf(const JobSettings& s, const LayerRef& ref);
// The dialog's caption: the node's or check box's display text.
QString StyleCaption(const JobSettings& s, const LayerRef& ref);
// The dialog's OK: a group passes all three values to every child; a child
// passes each value on to its group only when all children share it; a check
// box takes the colour and the style word size * 256 + width + 1; the
// background takes the colour only.
void ApplyLayerStyle(JobSettings& s, const LayerRef& ref, const LayerStyle& style);
// False for a reference outside the catalogue.
bool LayerRefValid(const JobSettings& s, const LayerRef& ref);

}  // namespace velkaro
