#pragma once
// Every text the elevation subsystem shows the user, in one place.

namespace velkaro::elevation_text {

// Progress labels.
inline constexpr const char* kStepInitialise = "標高値初期化処理 ";
inline constexpr const char* kStepRead = "標高値読込処理 ";
inline constexpr const char* kFileHeading = "処理中のファイル";
inline constexpr const char* kStepEtopo = "ETOPO";
inline constexpr const char* kStepDemData = "DEMデータ";
inline constexpr const char* kStepDemMesh = "標高MESH";
inline constexpr const char* kStepMesh = "標高Mesh描画中 ";
inline constexpr const char* kStepHillshade = "標高陰影Mesh描画中 ";
inline constexpr const char* kStepContours = "等高線解析中";

// Limit messages: text and caption.
inline constexpr const char* kGridOverBudget = "占有メモリーの拡大や描画範囲の分割が必要です";
inline constexpr const char* kGridOverBudgetCaption = "標高メッシュ読込限度";
inline constexpr const char* kGridEmpty = "単位を選択してから描画範囲を設定してください";
inline constexpr const char* kGridEmptyCaption = "描画範囲の異常";
inline constexpr const char* kContourStoreFull =
    "等高線処理で占有メモリ限界に達しました、占有メモリー調整が必要です";
inline constexpr const char* kContourStoreFullCaption = "警告";

// Reader error lines: reader name + "(" + file + ")で異常" + CRLF.
inline constexpr const char* kReaderErrorTail = ")で異常\r\n";
// A zip (or a member of it) that could not be read: "書庫(" + "folder/a.zip" + tail.
inline constexpr const char* kArchiveErrorHead = "書庫(";

// DEM type texts found in the files, 5 m, 10 m, 50 m, 250 m.
inline constexpr const char* kDemTypes[4] = {"<type>5mメッシュ", "<type>10mメッシュ",
                                             "<type>50mメッシュ", "<type>250mメッシュ"};

}  // namespace velkaro::elevation_text
