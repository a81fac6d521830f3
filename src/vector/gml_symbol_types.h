#pragma once
// The symbol types of the map-symbol features: source type names that share
// a symbol, the symbol features whose element alone says their type, and
// the types that are known to have no symbol of their own.

#include <array>
#include <string>
#include <string_view>
#include <utility>

namespace velkaro::gml {

// Applied in this order to a "<type>" value; a value changed by one row is
// compared with the later rows as changed.
inline constexpr std::array<std::pair<std::string_view, std::string_view>, 14> kSymbolTypeRenames = {{
    {"田", "田園"},
    {"中学校", "小学校"},
    {"小中学校", "小学校"},
    {"高等学校・中等教育学校", "高等学校"},
    {"市役所・東京都の区役所", "市役所"},
    {"町村役場・政令指定都市の区役所", "町村役場"},
    {"外国公館", "官公署"},
    {"史跡・名勝・天然記念物", "史跡"},
    {"自然災害伝承碑", "記念碑"},
    {"ガス田", "油田"},
    {"噴火口・噴気口", "噴火口"},
    {"噴気口", "噴火口"},
    {"港湾", "重要港"},
    {"砂礫地（領域不明瞭）", "砂礫地"},
}};

inline std::string NormalisedSymbolType(std::string_view type) {
  std::string value(type);
  for (const auto& [from, to] : kSymbolTypeRenames)
    if (value == from) value = to;
  return value;
}

// Elements whose features carry no "<type>": the element names the symbol.
inline constexpr std::array<std::pair<std::string_view, std::string_view>, 3> kSymbolElementTypes = {{
    {"PwrPlnt", "発電所"},
    {"Monument", "記念碑"},
    {"RTwr", "電波塔"},
}};

inline std::string_view SymbolTypeOfElement(std::string_view element) {
  for (const auto& [name, type] : kSymbolElementTypes)
    if (element == name) return type;
  return {};
}

// The type of a national route shield, whose record carries the route number.
inline constexpr std::string_view kRouteShieldType = "国道番号";

// Types without a symbol that are not reported as unknown.
inline constexpr std::array<std::string_view, 4> kQuietSymbolTypes = {"国道番号", "指示点", "踏切", "雨裂（下部）"};

inline bool IsQuietSymbolType(std::string_view type) {
  for (std::string_view quiet : kQuietSymbolTypes)
    if (type == quiet) return true;
  return false;
}

}  // namespace velkaro::gml
