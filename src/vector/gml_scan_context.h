#pragma once
// The per-group state the FGD/KKJ scan sets up for the readers: which element
// the group reads, how its features are routed to the group's selected
// children, and the open scratch file of each of those children.

#include <string>
#include <vector>

#include "scratch/scratch_file.h"

namespace velkaro {

// A group keeps at most this many children switched on (one output each).
inline constexpr size_t kMaxScanOutputs = 32;

struct ScanContext {
  std::string groupName;     // the group entry's name, e.g. "AdmArea-12"
  std::string elementName;   // the name up to its first "-": "AdmArea"
  std::string startTag;      // "<" + element name
  std::string endTag;        // "</" + element name + ">"
  std::string sourceLabel;   // the group's display text, prefix of overflow messages
  std::vector<std::string> childTexts;  // children that are on, in tree order
  std::vector<std::string> typeKeys;
  std::vector<std::string> subKeys;
  std::vector<ScratchFile> outputs;     // output k belongs to child k

  // Sets the element name and both tags from a group entry name.
  void setGroup(const std::string& name, const std::string& displayText);
  void clearChildren();
  void closeOutputs();
};

}  // namespace velkaro
