#pragma once
// The standard map symbols: their names, whose index is both the symbol id
// that the symbol reader writes into a scratch file and the number of the
// symbol's display list, the compilation of the 63 display lists at the
// start of each tile, and the placement of one symbol at a map point.

#include <array>
#include <string_view>

#include "render/symbol_shapes.h"

namespace velkaro {

struct JobContext;
class Tessellator;
struct TessVertex;

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

// The id of a symbol name, 0 when the name is not one of the 63 symbols.
int SymbolIdOf(std::string_view name);

// Compiles display lists 1 .. 63 on the current context in id order, filled
// quadrilaterals going through the tile's symbol tessellator. Does nothing
// without a surface or context.
void CompileSymbols(JobContext& job);

// The same with an explicit tessellator and its buffer of four records.
void CompileSymbolLists(Tessellator& tessellator, std::array<TessVertex, 4>& records);

// Draws symbol id at map point (x, y) scaled by (sx, sy) (SymbolScale), with
// the current colour and line width: push the model-view matrix, translate
// (in single precision), scale, call the list, pop. Ids outside 1 .. 63 draw
// nothing.
void PlaceSymbol(int id, double x, double y, double sx, double sy);

}  // namespace velkaro
