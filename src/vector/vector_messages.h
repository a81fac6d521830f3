#pragma once
// Every text of the FGD/KKJ scan and readers that a user can see.

#include <string>
#include <string_view>

namespace velkaro::vector_msg {

// Appended to the group's display text when a feature has more vertices than
// the pool holds.
inline constexpr std::string_view kXyLimit = " でxylimitを超えました";
inline constexpr std::string_view kPoolLimit = " で占有メモリ限界に達しました、占有メモリー調整が必要です";

// "<reader>(<source path>)で異常" + CR LF: a source file the reader could not read.
inline std::string ReaderFailure(std::string_view reader, std::string_view path) {
  std::string text;
  text.reserve(reader.size() + path.size() + 24);
  text.append(reader).append("(").append(path).append(")で異常\r\n");
  return text;
}

// "書庫(<archive>)で異常" + CR LF: a zip (or a member of it) that could not be
// read; the archive is named as "folder/a.zip" or "folder/a.zip/inner.zip/b.xml".
inline std::string ArchiveFailure(std::string_view archive) { return ReaderFailure("書庫", archive); }

// Heads the unknown symbol types of one source file in the error text, so the
// report says where they come from; the types follow it.
inline std::string UnknownSymbolTypes(std::string_view path) {
  std::string text("GML16Symbol(");
  text.append(path).append(")の不明な記号: ");
  return text;
}

}  // namespace velkaro::vector_msg
