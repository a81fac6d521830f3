#pragma once
// Builds the layer catalogue once at start-up from the three definition files
// that lie beside the program: "kibanchizu-tree.txt" (FGD layer tree and the
// elevation switch captions), "mlit-GML.txt" (KSJ theme list) and
// "kokudokihon-tree.txt" (KKJ layer tree).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "vector/layer_catalogue.h"

namespace velkaro {

inline constexpr const char* kFgdTreeFile = "kibanchizu-tree.txt";
inline constexpr const char* kKsjThemeFile = "mlit-GML.txt";
inline constexpr const char* kKkjTreeFile = "kokudokihon-tree.txt";

// Column 1 of the FGD line that ends the layer lines and starts the ten
// elevation caption lines.
inline constexpr std::string_view kElevationCaptionMarker = "標高Mesh   5m";
// A KKJ line containing this text ends the layer lines.
inline constexpr std::string_view kKkjEndMarker = "eod";

// Byte limits of the entry texts in their Shift_JIS (CP932) form.
inline constexpr size_t kNameBytes = 12;
inline constexpr size_t kTypeKeyBytes = 30;
inline constexpr size_t kSubKeyBytes = 16;

struct CatalogueMessage {
  std::string title;
  std::string text;
};

struct CatalogueLoadResult {
  // Message boxes to show, in order.
  std::vector<CatalogueMessage> messages;
  // The rest of start-up (defaults, last settings) must not run.
  bool stopStartup = false;
  // The program must end once the messages are shown.
  bool terminate = false;
  // The highest layer number handed out; 1 is the standard regional mesh switch.
  int lastLayerNumber = 0;

  bool clean() const { return messages.empty(); }
};

// Fills `catalogue` (cleared first) from the definition files in
// `programFolder`. What was built before a failure is kept, with its groups
// refreshed, so the caller can still show it.
CatalogueLoadResult LoadLayerCatalogue(LayerCatalogue& catalogue, const std::string& programFolder);

// "%0.3d": the layer number with at least three digits.
std::string FormatLayerNumber(int layerNumber);

}  // namespace velkaro
