#pragma once
// Every text the rendering core shows the user.

#include <string>

namespace velkaro::render_messages {

inline constexpr const char* kListIdsCaption = "glGenListsの異常";
inline std::string ListIdsText(unsigned firstId) { return "開始番号" + std::to_string(firstId); }

inline constexpr const char* kGlyphOutlineCaption = "Fontアウトライン化失敗";
inline constexpr const char* kGlyphOutlineText = "wglUseFontOutlinesW登録エラー";

inline std::string VertexBufferOverCaption(size_t size) {
  return "配列変数V " + std::to_string(size) + "個をover";
}

// The software GL library could not be opened; the text names it.
inline constexpr const char* kGlLibraryCaption = "OSMesaを読み込めません";
// No GL context (or framebuffer) of the image's size could be made; the
// text says what failed.
inline constexpr const char* kGlContextCaption = "OpenGLの描画面を作れません";

inline constexpr const char* kMultiColourAreas = "行政区画(多色)";

}  // namespace velkaro::render_messages
