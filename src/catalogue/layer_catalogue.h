#pragma once
// The catalogue of everything a user can switch on: the FGD layer tree, the
// KSJ theme list, the KKJ layer tree, the standard regional mesh switch and
// the captions of the elevation switches. Its structure comes from the three
// definition files beside the program; states and styles are part of a job.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velkaro {

// Reader bits; a group's mask picks the readers run on its source files, a
// child's mask picks how its scratch file is drawn.
enum ReaderBit : int32_t {
  GML1Name = 1, GML2Elv = 2, GML4GCP = 4, GML8LayoutStr = 8, GML16Symbol = 16,
  GML32Poly = 32, GML64PolyRoad = 64, GML128PolyRail = 128, GML256Poly = 256,
  GML512HatchEdge = 512, GML1024Hatch = 1024,
};

// Reader-bit groups of the FGD and KKJ trees, in the order the reading passes
// take them: area fills, then lines and area outlines, then points.
inline constexpr int32_t kAreaReaderBits = 0x7ffffc00;   // bit 1024 and above
inline constexpr int32_t kLineReaderBits = 992;          // bits 32 to 512
inline constexpr int32_t kPointReaderBits = 31;          // bits 1 to 16

// KSJ reader bits as the reading passes group them: plain areas (0x40) with
// everything from 0x100 up; the readers of bits 0x02 to 0x20; point names;
// area names.
inline constexpr int32_t kKsjAreaReaderBits = 0x7fffff40;
inline constexpr int32_t kKsjLineAndTrackReaderBits = 62;
inline constexpr int32_t kKsjPointNameReaderBit = 1;
inline constexpr int32_t kKsjAreaNameReaderBit = 128;

// Texts are kept in UTF-8 but cut to the byte limits the Shift_JIS form of
// the text would have (name 12, typeKey 30, subKey 16 bytes).
struct LayerEntry {
  std::string name;
  int32_t colour = 0;       // 0x00BBGGRR
  int32_t readerMask = 0;
  std::string typeKey;
  std::string subKey;
  uint8_t spare = 0;
  uint8_t sizeIndex = 12;   // index into kSizeList
  uint8_t widthIndex = 0;   // drawn width is widthIndex + 1 pixels

  int styleWord() const { return sizeIndex * 256 + widthIndex; }
  // The part of the name before the first "-": the GML element name.
  std::string elementName() const;
};

struct LayerNode {
  LayerEntry entry;
  std::string text;     // display text; a child's begins with its layer number
  bool on = false;
  int layerNumber = 0;  // 0 on groups
};

struct LayerGroup {
  LayerNode node;
  std::vector<LayerNode> children;
  bool expanded = false;
};

struct LayerTree {
  std::vector<LayerGroup> groups;

  // A group is on when any child is on; its colour is the children's common
  // colour or 0.
  void refreshGroups();
  // Expands every group that is on and collapses the others.
  void expandGroupsThatAreOn();
  LayerNode* findChild(std::string_view name);
  const LayerNode* findChild(std::string_view name) const;
  int childCount() const;

  // A click (or Space) on a group's state: the group flips and every child
  // takes its new state.
  void toggleGroup(size_t group);
  // On a child's state: the child flips and its group is on when any child is.
  void toggleChild(size_t group, size_t child);
  // The line style dialog's OK for a group: the group and every child take
  // all three values.
  void styleGroup(size_t group, int32_t colour, uint8_t widthIndex, uint8_t sizeIndex);
  // For a child: the child takes the values; its group takes each value only
  // when every child now has it (its colour becomes 0 when they differ).
  void styleChild(size_t group, size_t child, int32_t colour, uint8_t widthIndex,
                  uint8_t sizeIndex);
};

// Caption colour of a coloured check box (KSJ theme, mesh switch): black on
// the neutral grey 0x808080, else the inverse of the box colour.
int32_t CheckBoxTextColour(int32_t colour);
// Style word of a check box: size index * 256 + width index + 1 (1-based width).
int CheckBoxStyleWord(uint8_t sizeIndex, uint8_t widthIndex);
// Switches elevation class k of one group (mesh or contour) on or off; at most
// one class of a group stays on, the one just switched on.
void SwitchElevationClass(std::array<bool, 5>& classes, int k, bool on);

struct KsjTheme {
  std::string code;                     // first column of the theme line
  std::string caption;                  // layer number + theme caption
  bool on = false;
  int32_t colour = 0x808080;
  int32_t textColour = 0;               // black for 0x808080, else 0xFFFFFF - colour
  int styleWord = 3073;                 // size index * 256 + width (1-based)
  int32_t readerMask = 0;               // KSJ reader bits
  std::array<std::string, 4> readerTexts;
  int layerNumber = 0;
};

struct MeshSwitch {
  std::string caption = "001標準地域メッシュ";
  bool on = false;
  int32_t colour = 0;
  int styleWord = 3073;
  int keta = 1;
};

inline constexpr int kElevationClasses = 5;   // 5 m, 10 m, 50 m, 250 m, 1-arc-minute
inline constexpr int kMaxKsjThemes = 101;

inline constexpr std::array<const char*, 29> kSizeList = {
  "0.03", "0.05", "0.10", "0.15", "0.20", "0.30", "0.40", "0.50", "0.60", "0.70",
  "0.80", "0.90", "1.00", "1.10", "1.20", "1.30", "1.40", "1.50", "1.60", "1.80",
  "2.00", "2.50", "3.00", "3.50", "4.00", "5.00", "6.00", "7.00", "8.00"};

struct LayerCatalogue {
  LayerTree fgd;
  std::array<std::string, kElevationClasses> meshCaptions;     // "cMesh0" … "cMesh4"
  std::array<std::string, kElevationClasses> contourCaptions;  // "cCntr0" … "cCntr4"
  std::vector<KsjTheme> ksj;
  LayerTree kkj;
};

}  // namespace velkaro
