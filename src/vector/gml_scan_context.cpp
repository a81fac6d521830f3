#include "vector/gml_scan_context.h"

namespace velkaro {

void ScanContext::setGroup(const std::string& name, const std::string& displayText) {
  groupName = name;
  const size_t dash = name.find('-');
  elementName = dash == std::string::npos ? name : name.substr(0, dash);
  startTag = "<" + elementName;
  endTag = "</" + elementName + ">";
  sourceLabel = displayText;
}

void ScanContext::clearChildren() {
  closeOutputs();
  childTexts.clear();
  typeKeys.clear();
  subKeys.clear();
  outputs.clear();
}

void ScanContext::closeOutputs() {
  for (ScratchFile& out : outputs) out.close();
}

}  // namespace velkaro
