#pragma once
// Every Japanese text the job subsystem shows the user.

namespace velkaro::msg {

// Validation, in the order the checks run. Each line of the message gets
// "\r\n" appended, except the first folder text which already ends with it.
inline constexpr const char* kNoReadFolder = "基盤地図情報フォルダが見つかりません\r\n";
inline constexpr const char* kNoMeshFolder = "標高データフォルダが見つかりません";
inline constexpr const char* kNoKsjFolder = "国土数値情報フォルダが見つかりません";
inline constexpr const char* kNoKkjFolder = "国土基本情報フォルダが見つかりません";
inline constexpr const char* kNoWriteFolder = "書込フォルダが見つかりません";
inline constexpr const char* kNameCharPrefix = "地図名に ";   // + the character
inline constexpr const char* kNameCharSuffix = " は使えません";
inline constexpr const char* kNameEmpty = "地図名を設定してください";
inline constexpr const char* kAviNeedsLegendSteps = "動画で間隔・最下面自動設定なら凡例数は3段階以上";
inline constexpr const char* kNoUnit = "単位を設定してください";
inline constexpr const char* kNoZone = "座標系を選択してください";
inline constexpr const char* kBadZone = "座標系が異常です";
inline constexpr const char* kBadEdge = "描画範囲値が異常です";
inline constexpr const char* kBadDivision = "分割数が異常です";
inline constexpr const char* kTooManyColumns = "横分割数は256以下に";
inline constexpr const char* kTooManyRows = "縦分割数は18277以下に";
inline constexpr const char* kBadDatum = "基準面補値が異常です";
inline constexpr const char* kNoLegendSteps = "メッシュ凡例数";
inline constexpr const char* kBadPointInterval = "標高点凡例間隔が異常です";
inline constexpr const char* kBadContourInterval = "等高線凡例間隔が異常です";
inline constexpr const char* kBadPointBottom = "標高点凡例最下面が異常です";
inline constexpr const char* kBadContourBottom = "等高線凡例最下面が異常です";
inline constexpr const char* kSmallMeshInterval = "メッシュ凡例間隔が異常です ";  // + row label, column
inline constexpr const char* kBadMeshInterval = "メッシュ凡例間隔";
inline constexpr const char* kBottomTooLow = "最下面が低すぎます";
inline constexpr const char* kBadMeshBottom = "メッシュ凡例最下面が異常です";
inline constexpr const char* kMeshContourSize = "標高メッシュと等高線は同じサイズを選んでください";
inline constexpr const char* kMeshAndDepression = "標高メッシュと窪地は同時に指定できません";
inline constexpr const char* kNorthTooHigh = "北端は 89.9以下の値を設定してください";
inline constexpr const char* kSouthTooLow = "南端は-89.9以上の値を設定してください";
inline constexpr const char* kEastTooFar = "東端は 540以下の値を設定してください";
inline constexpr const char* kWestTooFar = "西端は-180以上の値を設定してください";
inline constexpr const char* kBadMovieLevels = "最高水位、開始水位が異常です";
inline constexpr const char* kMovieNeedsMesh = "動画では標高Meshにチェックを入れてください";
inline constexpr const char* kBadFps = "動画のフレーム数(fps)は1～30を設定してください";
inline constexpr const char* kBadMovieFormat = "動画の形式は 0(AVI) か 1(MP4) を設定してください";
inline constexpr const char* kBadOutputType = "出力形式は 0(BMP)、1(動画)、2(GeoTIFF)、3(PNG) のいずれかを設定してください";
inline constexpr const char* kBadRoadWidth = "描画する道路の幅員設定が異常です";

// Validation results are shown in a box with this title.
inline constexpr const char* kCheckSettingsTitle = "設定値を確認してください";

// Size read-out of the drawing area.
inline constexpr const char* kReadoutHeight = "高:";
inline constexpr const char* kReadoutWidth = " 幅:";

}  // namespace velkaro::msg
