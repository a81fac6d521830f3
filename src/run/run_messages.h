#pragma once
// Every Japanese text the running job shows: the processing window's labels,
// the start checks' dialogs and the final report.

namespace velkaro::msg {

// Processing window.
inline constexpr const char* kStartTimeCaption = "処理開始時刻 ";
inline constexpr const char* kFileCountTitle = "ファイル数";
inline constexpr const char* kWaterLevelTitle = "水位";
inline constexpr const char* kImageProcessing = "画像処理中";
inline constexpr const char* kFileInProgress = "処理中のファイル";
inline constexpr const char* kPreparing = "処理準備中";
inline constexpr const char* kAbortButton = "中　断";

// --keep-scratch: the tile's scratch files could not be moved aside; the
// lines that follow name each file and the reason.
inline constexpr const char* kScratchNotKept = "作業ファイルを保存できませんでした";

// Start checks.
inline constexpr const char* kMeshLimitTitle = "標高メッシュ限度";
inline constexpr const char* kMeshLimit = "範囲が広すぎ標高メッシュが描けません";
inline constexpr const char* kContourLimitTitle = "等高線限度";
inline constexpr const char* kContourLimit = "範囲が広すぎ等高線が描けません";
inline constexpr const char* kContourTargetTitle = "等高線の描画対象";
inline constexpr const char* kContourTargetAvi =
    "動画では、等高線は「すべての等高線」しか選択できません。\r\n動画では水際線だけを表示します。";
inline constexpr const char* kAreaErrorTitle = "描画範囲エラー";
inline constexpr const char* kWestNotBelowEast = "西端は東端より小さい値に";
inline constexpr const char* kSouthNotBelowNorth = "南端は北端より小さい値に";
inline constexpr const char* kAreaTooWide = "描画範囲横幅が広すぎます";
inline constexpr const char* kAreaTooTall = "描画範囲上下が広すぎます";
inline constexpr const char* kWarningTitle = "警告";
inline constexpr const char* kBuildingsMayBeLost =
    "8桁の標準地域メッシュにかかる建物は欠落する事があります。\r\n\r\n"
    "建築物の表示ランクの外周を0m以上にする事で欠落を解消できます。\r\n\r\n"
    "このまま続行するときはOK、修正するときはキャンセル";
inline constexpr const char* kExistingFileTitle = "既存ファイルがあります";
inline constexpr const char* kOverwriteSuffix = " を上書きしますか。";  // after name + extension
inline constexpr const char* kOverwriteTiles = "上書きしますか";
inline constexpr const char* kFileHeldOpen = "他のソフトでファイルを開いていませんか";
inline constexpr const char* kDeleteErrorTitle = "既存ファイル削除エラー";
inline constexpr const char* kErrorTitle = "エラー";
inline constexpr const char* kIndexNotDeleted = "index.bmpを削除出来ませんでした";
inline constexpr const char* kFileDeleteErrorTitle = "ファイル削除エラー";

// Result.
inline constexpr const char* kFailureTitle = "障害発生";
inline constexpr const char* kFinishedTitle = "正常終了";
inline constexpr const char* kElapsedPrefix = "所要時間は ";
inline constexpr const char* kElapsedSuffix = "でした。";
inline constexpr const char* kSurveyLawNotice =
    "作成した地図を公表する場合は、測量法、国土情報利用約款に従ってください。";
inline constexpr const char* kOpenMapFile = "地図のファイルを開きますか。";
inline constexpr const char* kOpenIndexPage = "目次ファイル(indexmap.htm)を開きますか。";
// Progress of the job-wide legend's pass, followed by the tile's file.
inline constexpr const char* kJobLegendProgress = "全体の凡例を計算中 ";
// Followed by the tiles whose elevation grid held no data.
inline constexpr const char* kTilesWithoutElevation = "標高データのない図葉(凡例なし): ";
// LastDraw.pxj could not be saved after a clean run; the text names the file
// and the system's reason.
inline constexpr const char* kLastDrawNotSavedTitle = "設定ファイル保存エラー";

}  // namespace velkaro::msg
