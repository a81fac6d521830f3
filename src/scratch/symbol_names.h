#pragma once
// The names of the standard map symbols. A symbol record of a scratch file
// carries the index of its symbol's name here; the same index numbers the
// symbol's display list on the drawing side.

#include <array>
#include <cctype>
#include <string_view>

namespace velkaro {

inline constexpr int kSymbolCount = 63;

// Entry 0 names the family ("地図記号"); entries 1 .. 63 are the symbols.
inline constexpr std::array<std::string_view, kSymbolCount + 1> SymbolNames = {
    "地図記号",
    "三角点", "水準点", "電子基準点", "市役所", "町村役場", "官公署", "裁判所", "税務署",
    "森林管理署", "気象台", "消防署", "保健所", "警察署", "交番", "郵便局", "高等学校",
    "博物館", "神社", "高塔", "記念碑", "煙突", "油田", "灯台", "風車",
    "フェリー", "その他の旅客船", "墓地", "自衛隊", "工場", "発電所", "温泉", "噴火口",
    "採鉱地", "城跡", "重要港", "地方港", "漁港", "史跡", "国道番号", "電波塔",
    "小学校", "病院", "標高点", "田園", "畑", "桑畑", "茶畑", "ハイマツ地",
    "荒地", "図書館", "笹地", "果樹園", "その他の樹木畑", "広葉樹林", "針葉樹林", "竹林",
    "ヤシ科樹林", "寺院", "砂礫地", "大学", "短大", "専門学校", "老人ホーム",
};

// The position of the first entry equal to name, ASCII letter case ignored
// (entry 0 included); -1 when there is none.
constexpr int SymbolEntryOf(std::string_view name) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (size_t i = 0; i < SymbolNames.size(); ++i) {
    const std::string_view entry = SymbolNames[i];
    if (entry.size() != name.size()) continue;
    bool same = true;
    for (size_t k = 0; k < entry.size() && same; ++k) same = lower(entry[k]) == lower(name[k]);
    if (same) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace velkaro
