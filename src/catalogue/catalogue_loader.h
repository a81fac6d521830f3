#pragma once
// Builds the layer catalogue once at start-up from the three definition files
// that lie beside the program: "kibanchizu-tree.txt" (FGD layer tree and the
// elevation switch captions), "mlit-GML.txt" (KSJ theme list) and
// "kokudokihon-tree.txt" (KKJ layer tree).

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/layer_catalogue.h"

namespace velkaro {

inline constexpr const char* kFgdTreeFile = "kibanchizu-tree.txt";
inline constexpr const char* kKsjThemeFile = "mlit-GML.txt";
inline constexpr const char* kKkjTreeFile = "kokudokihon-tree.txt";

// Style presets beside the program, read with the settings reader.
inline constexpr const char* kFgdPresetFile = "基盤地図情報標準.pxk";
inline constexpr const char* kKsjPresetFile = "国土数値情報標準色.pxk";
inline constexpr const char* kKkjPresetFile = "国土基本情報標準.pxk";
inline constexpr const char* kClearPresetFile = "Checkclear.pxk";

// The addresses of the eight link buttons come from this file: for each link
// a label line (not used) and an address line.
inline constexpr const char* kMapLinkFile = "maplink.txt";
inline constexpr int kMapLinkCount = 8;

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

// Addresses of the link buttons in their order: plane rectangular zones, FGD
// download, KSJ download, survey-results approval, KSJ terms of use, board,
// ETOPO1 download, KKJ sales.
using MapLinks = std::array<std::string, kMapLinkCount>;

// The addresses in place before the link file is read.
MapLinks BuiltInMapLinks();

// Reads the link file from `programFolder`. A missing file adds the warning to
// `messages` and keeps the built-in addresses; so does a missing or empty
// address line, for its own link.
MapLinks LoadMapLinks(const std::string& programFolder, std::vector<CatalogueMessage>& messages);

// "%0.3d": the layer number with at least three digits.
std::string FormatLayerNumber(int layerNumber);

}  // namespace velkaro
