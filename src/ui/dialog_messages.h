#pragma once
// Every Japanese text of the legend grids, the range selection window, the
// line style dialog and the memory budget dialog.

namespace velkaro::dialog_msg {

// Legend grids and the legend controls of the drawing-settings page.
inline constexpr const char* kIntervalPage = "標高凡例間隔";
inline constexpr const char* kBottomPage = "標高凡例最下面";
inline constexpr const char* kIntervalCornerFirst = "間隔";
inline constexpr const char* kBottomCornerFirst = "最下面";
inline constexpr const char* kIntervalCorner = "間隔(";   // + unit + ")"
inline constexpr const char* kBottomCorner = "下面(";
inline constexpr const char* kAutomaticMode = "間隔・最下面自動設定";
// With automatic legends: one legend from the whole drawing area for every tile.
inline constexpr const char* kJobWideLegend = "全図葉で同じ凡例";
inline constexpr const char* kIntervalSlider = "狭               ↓標準       広";
inline constexpr const char* kBottomSlider = "低   ↓標準                   高";
inline constexpr const char* kSetButton = "設定";
inline constexpr const char* kSchemeSlider = "凡例色";
inline constexpr const char* kHillshade = "陰影";
inline constexpr const char* kFlatLand = "平坦地";
inline constexpr const char* kMountains = "山岳地";
inline constexpr const char* kShadowAmount = "影の量       多     ↓標準               少";
inline constexpr const char* kShadowDirection = "影の方向　西     南 ↓ 東     北     西";
// Names screen readers give the controls whose captions do not name them.
inline constexpr const char* kIntervalName = "凡例間隔";
inline constexpr const char* kBottomName = "凡例最下面";
inline constexpr const char* kPreviewName = "凡例色の見本";
inline constexpr const char* kShadingModeName = "陰影の方式";

// Range selection window.
inline constexpr const char* kRangeCaption =
    "拡大・縮小はホイールの回転  i キー  o キーで、移動はホイール押して、描画範囲は左ボタンで操作できます。";
inline constexpr const char* kDecideRange = "範囲決定";
inline constexpr const char* kCancel = "キャンセル";
inline constexpr const char* kDisplayLevel = "表示レベル";
inline constexpr const char* kRows = "縦分割数";
inline constexpr const char* kColumns = "横分割数";
inline constexpr const char* kOverlap = "重ね(%)";
inline constexpr const char* kLevelItems[7] = {"都道府県界",      "北海道の支庁界",   "郡市・東京都の区界",
                                               "町村・指定都市の区界", "大字・町・丁目界", "その他",
                                               "道路"};
inline constexpr const char* kBufferFullTitle = "占有メモリー限界に達しました";
inline constexpr const char* kBufferFull = "地理院データフォルダ　の指定範囲を限定してください。";
inline constexpr const char* kNoBoundariesTitle = "正常に表示できません";
inline constexpr const char* kNoBoundaries = "読込フォルダ内に、行政区画データがありません";
inline constexpr const char* kTooManyRoads = "データが多すぎます、表示範囲を狭めてください";

// Line style dialog.
inline constexpr const char* kLineStyleCaption = "線の色、太さ設定";
inline constexpr const char* kLineWidth = "線の太さ";
inline constexpr const char* kSymbolSize = "文字・地図記号の大きさ";
inline constexpr const char* kTrueColour = "TrueColor";
inline constexpr const char* kOk = "O K";
inline constexpr const char* kCancelButton = "Cancel";

// Memory budget dialog.
inline constexpr const char* kMemoryCaption = "占有メモリー";
inline constexpr const char* kFreeMemory = "空きメモリー";
inline constexpr const char* kFreeMemoryPrefix = "空きメモリー　";   // ideographic space
inline constexpr const char* kFreeMemorySuffix = " KB";
inline constexpr const char* kEnlargement = "メモリー拡大率";
inline constexpr const char* kToContours = "等高線に配分";
inline constexpr const char* kToMesh = "標高メッシュに配分";
// Shown when the enlarged pool could not be allocated; the budget stays as it was.
inline constexpr const char* kEnlargeFailed =
    "メモリーを確保できませんでした。占有メモリーは元の大きさのままです。";

}  // namespace velkaro::dialog_msg
