#pragma once
// Every Japanese text of the desktop program's windows: tab, group and
// control captions, button captions, dialog titles and messages.

namespace velkaro::ui_text {

// Program and tabs.
inline constexpr const char* kApplicationTitle = "Velkaro";
inline constexpr const char* kProgramName = "velkaro";
inline constexpr const char* kTabDrawing = "描画設定";
inline constexpr const char* kTabFgd = "基盤地図情報（国土地理院）";
inline constexpr const char* kTabKsj = "国土数値情報　(国土交通省)";
inline constexpr const char* kTabKkj = "国土基本情報　（国土地理院）";
inline constexpr const char* kTabLegendInterval = "標高凡例間隔";
inline constexpr const char* kTabLegendBottom = "標高凡例最下面";

// Groups of the drawing-settings tab.
inline constexpr const char* kGroupBasic = "基本設定";
inline constexpr const char* kGroupArea = "描画範囲設定";
inline constexpr const char* kGroupMovie = "浸水動画の設定";
inline constexpr const char* kGroupElevation = "標高設定";
inline constexpr const char* kGroupElevationMesh = "標高メッシュ";
inline constexpr const char* kGroupContours = "等高線";
inline constexpr const char* kGroupMesh = "標準地域メッシュ";
inline constexpr const char* kGroupRank = "基盤地図情報・国土基本情報";

// Basic settings.
inline constexpr const char* kMeshFolder = "標高データフォルダ";
inline constexpr const char* kWriteFolder = "書込フォルダ";
inline constexpr const char* kExpand = "解凍";
inline constexpr const char* kExpandSpaced = "解　凍";
inline constexpr const char* kSubfolder = "サブフォルダも処理する";
inline constexpr const char* kType = "形式";
inline constexpr const char* kTypeBmp = "静止画(BMP形式)";
inline constexpr const char* kTypeAvi = "動画   (AVI形式)";
inline constexpr const char* kTypeTiff = "静止画(GeoTIFF)";
inline constexpr const char* kTypePng = "静止画(PNG形式)";
// Flood animations also as H.264 MP4, which browsers and players take.
inline constexpr const char* kMovieMp4 = "MP4形式(H.264)で書く";
inline constexpr const char* kSize = "解像度";
inline constexpr const char* kUnit = "単位";
inline constexpr const char* kUnits[] = {"mm", "cm", "m"};
inline constexpr const char* kFgdFolderButton = "地図データフォルダ\n（基盤地図情報）";

// Drawing area.
inline constexpr const char* kMapName = "地図名";
inline constexpr const char* kZone = "座標系";
inline constexpr const char* kNorth = "北端";
inline constexpr const char* kSouth = "南端";
inline constexpr const char* kWest = "西端";
inline constexpr const char* kEast = "東端";
inline constexpr const char* kColumns = "横分割数";
inline constexpr const char* kRows = "縦分割数";
inline constexpr const char* kOverlap = "重ね(%)";
inline constexpr const char* kBackground = "背景色";
inline constexpr const char* kSizeReadout = "大きさ";
inline constexpr const char* kPickOnMap = "地図で指定";

// Flood animation.
inline constexpr const char* kMovieTop = "最高水位(m)";
inline constexpr const char* kMovieBottom = "開始水位(m)";
inline constexpr const char* kMovieSpeed = "速度";
inline constexpr const char* kSlow = "遅";
inline constexpr const char* kFast = "速";

// Elevation.
inline constexpr const char* kLineWeight = "線の太さ";
inline constexpr const char* kLineWeights[] = {"すべて細く",   "1m台を太く",   "5m台を太く",
                                                "10m台を太く",  "50m台を太く",  "100m台を太く",
                                                "500m台を太く", "1000m台を太く"};
inline constexpr const char* kTarget = "描画対象";
inline constexpr const char* kTargets[] = {"窪地以外", "すべての等高線", "窪地のみ", "窪地のみ(面描画)"};
inline constexpr const char* kOmitShort = "短い線の省略";
inline constexpr const char* kDrawAll = "すべて描画";
inline constexpr const char* kOmitSuffix = "節未満省略";
inline constexpr const char* kDatum = "基準面補正";
inline constexpr const char* kLegendSteps = "凡例数";
inline constexpr const char* kLegendStepNames[] = {"2段階",  "3段階",  "5段階",  "9段階",
                                                   "17段階", "33段階", "65段階", "129段階"};

// Mesh overlay.
inline constexpr const char* kMeshLevel = "メッシュ";
inline constexpr const char* kMeshLevels[] = {"4桁", "6桁", "8桁"};

// Text and rank.
inline constexpr const char* kObjectRank = "オブジェクトの描画ランク";
inline constexpr const char* kObjectRanks[] = {"すべて描画", "1/1000ランクの抑制", "1/2500ランクの抑制",
                                               "1/5000ランクの抑制", "1/25000ランクの抑制"};
inline constexpr const char* kTextZoom = "文字・地図記号の大きさ";
inline constexpr const char* kRoadWidth = "指定幅以上の道路中心を描画";
inline constexpr const char* kMetresOrMore = "m以上";
inline constexpr const char* kBuildingRank = "建築物描画ランク";
inline constexpr const char* kPerimeter = "外周";

// Action buttons.
inline constexpr const char* kLoad = "設定値読込";
inline constexpr const char* kStart = "処理開始";
inline constexpr const char* kSave = "設定値保存";
inline constexpr const char* kGridpack = "メッシュ変換";
inline constexpr const char* kManual = "説明書";
inline constexpr const char* kVersion = "バージョン情報";
inline constexpr const char* kLinkCaptions[] = {
    "座標系適用範囲",          "基盤地図情報ダウンロード", "国土数値情報ダウンロード",
    "測量成果の使用承認申請",  "国土数値情報　利用約款",   "掲示板",
    "Etopo Download",          "国土基本情報 販売ページ"};

// Start button hints by output type; the BMP hint after a file was read has
// a full-width opening parenthesis.
inline constexpr const char* kHintBmp = "静止画(BMP)";
inline constexpr const char* kHintBmpAfterRead = "静止画（BMP)";
inline constexpr const char* kHintAvi = "動画";
inline constexpr const char* kHintTiff = "静止画(GeoTIFF)";
inline constexpr const char* kHintPng = "静止画(PNG)";

// Layer tabs.
inline constexpr const char* kFgdFolder = "基盤地図情報フォルダ";
inline constexpr const char* kKsjFolder = "国土数値情報フォルダ";
inline constexpr const char* kKkjFolder = "国土基本情報フォルダ";
inline constexpr const char* kStandardStyle = "標準設定";
inline constexpr const char* kStandardColours = "標準色設定";
inline constexpr const char* kExpandOn = "ツリー展開";
inline constexpr const char* kExpandAll = "ツリー全展開";
inline constexpr const char* kCollapseAll = "ツリー格納";

// Dialogs.
inline constexpr const char* kPickFolderTitle = "フォルダを選択してください";
inline constexpr const char* kOpenSettingsTitle = "設定ファイル選択";
inline constexpr const char* kOpenSettingsFilter =
    "設定ファイル (*.pxk *.pxj *.pxq);;*.pxk (*.pxk);;*.pxj (*.pxj);;*.pxq (*.pxq);;すべてのファイル (*)";
inline constexpr const char* kSaveSettingsTitle = "設定値保存";
inline constexpr const char* kSaveSettingsFilter = "*.pxj (*.pxj);;すべてのファイル (*)";
inline constexpr const char* kWarningTitle = "警告";
inline constexpr const char* kCannotRead = "設定ファイルを読み込めません:\n";
inline constexpr const char* kCannotWrite = "設定ファイルを書き込めません:\n";
inline constexpr const char* kProgramMissingPrefix = "プログラム ";
inline constexpr const char* kProgramMissingMiddle = " がプログラムフォルダ ";
inline constexpr const char* kProgramMissingSuffix = " にありません。";
inline constexpr const char* kProgramNotStarted = " を起動できませんでした。";
inline constexpr const char* kProgramRunning = " を実行しています…";
inline constexpr const char* kProgramDone = " が終わりました。";
inline constexpr const char* kProgramCrashed = " が異常終了しました。";
inline constexpr const char* kProgramExitPrefix = " は終了コード ";
inline constexpr const char* kProgramExitSuffix = " で終わりました。";
inline constexpr const char* kMeshFolderMissing = "標高データフォルダがありません: ";
inline constexpr const char* kGridpackSaveTitle = "メッシュ変換の出力ファイル";
inline constexpr const char* kGridpackSaveFilter = "GeoTIFF (*.tif *.tiff)";
inline constexpr const char* kManualMissing = "説明書が見つかりません:\n";
inline constexpr const char* kFolderMissing = "フォルダが見つかりません:\n";
inline constexpr const char* kUninstallQuestion = "起動時設定ファイルを削除しますか";
inline constexpr const char* kUninstallTitle = "完全なアンインストール時に使います";
inline constexpr const char* kAboutText =
    "日本の公開地理データ（基盤地図情報・国土基本情報・国土数値情報・標高データ）から"
    "ラスター地図と浸水動画を作るプログラムです。";
inline constexpr const char* kFgdFolderLabel = "基盤地図情報フォルダ:";
inline constexpr const char* kMeshFolderLabel = "標高データフォルダ:";
inline constexpr const char* kKsjFolderLabel = "国土数値情報フォルダ:";
inline constexpr const char* kKkjFolderLabel = "国土基本情報フォルダ:";
inline constexpr const char* kAborted = "処理を中断しました。書き込み済みの地図ファイルは残っています。";
inline constexpr const char* kFailed = "処理は障害で終わりました。";
inline constexpr const char* kFinished = "処理が終わりました。";
inline constexpr const char* kStyleTitle = "線の色、太さ設定";

// Processing window.
inline constexpr const char* kProcessingTitle = "処理開始";
inline constexpr const char* kAborting = "中断しています…";

}  // namespace velkaro::ui_text
