#include "platform/ini_file.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/text_encoding.h"
#include "platform/text_scan.h"

namespace velkaro {
namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// One value, key or section name must stay on one line.
std::string OneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

std::optional<std::uint64_t> ParseDigits(std::string_view digits, int base) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

std::string ErrnoText(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string* error) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    if (error) *error = ErrnoText("cannot open", path);
    return false;
  }
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  const bool failed = std::ferror(f);
  const int readErrno = errno;
  std::fclose(f);
  errno = readErrno;
  if (failed && error) *error = ErrnoText("cannot read", path);
  return !failed;
}

}  // namespace

std::optional<long> ParseIniInt(std::string_view text) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  std::int64_t value;
  if (!text.empty() && text[0] == '$') {
    const auto bits = ParseDigits(text.substr(1), 16);
    if (!bits || *bits > 0xFFFFFFFFull) return std::nullopt;
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(*bits));
  } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const auto bits = ParseDigits(text.substr(2), 16);
    if (!bits || *bits > 0xFFFFFFFFull) return std::nullopt;
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(*bits));
  } else {
    const auto digits = ParseDigits(text, 10);
    if (!digits || *digits > 0x80000000ull) return std::nullopt;
    value = static_cast<std::int64_t>(*digits);
    if (!negative && value > INT32_MAX) return std::nullopt;
  }
  return static_cast<long>(negative ? -value : value);
}

IniFile IniFile::Load(const std::string& path, std::string* error) {
  if (error) error->clear();
  std::string bytes;
  if (!ReadWholeFile(path, bytes, error)) return IniFile();
  return FromText(DecodeToUtf8(StripUtf8Bom(bytes)));
}

IniFile IniFile::FromText(std::string utf8) {
  IniFile ini;
  std::string_view rest(utf8);
  while (!rest.empty()) {
    const std::size_t end = rest.find_first_of("\r\n");
    if (end == std::string_view::npos) {
      ini.appendLine(rest);
      break;
    }
    ini.appendLine(rest.substr(0, end));
    const std::size_t next = (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n')
                                 ? end + 2 : end + 1;
    rest.remove_prefix(next);
  }
  return ini;
}

void IniFile::appendLine(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  if (!trimmed.empty() && trimmed[0] == '[') {
    const std::size_t close = trimmed.find(']');
    if (close != std::string_view::npos) {
      Section section;
      section.header = std::string(line);
      sectionIndex_.emplace(Lower(Trim(trimmed.substr(1, close - 1))), sections_.size());
      sections_.push_back(std::move(section));
      return;
    }
  }
  Section& current = sections_.back();
  if (trimmed.empty()) {
    current.trailingBlanks.emplace_back(line);
    return;
  }
  for (std::string& blank : current.trailingBlanks) current.body.push_back({std::move(blank), {}});
  current.trailingBlanks.clear();
  const std::size_t eq = trimmed.find('=');
  const bool comment = trimmed[0] == ';' || trimmed[0] == '#';
  if (comment || eq == std::string_view::npos || Trim(trimmed.substr(0, eq)).empty()) {
    current.body.push_back({std::string(line), {}});
    return;
  }
  addKeyLine(current, std::string(line), Lower(Trim(trimmed.substr(0, eq))));
}

void IniFile::addKeyLine(Section& section, std::string text, std::string key) {
  section.keys.emplace(key, section.body.size());
  section.body.push_back({std::move(text), std::move(key)});
}

const IniFile::Section* IniFile::findSection(std::string_view section) const {
  const auto it = sectionIndex_.find(Lower(Trim(section)));
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

const IniFile::Line* IniFile::findLine(std::string_view section, std::string_view key) const {
  const Section* s = findSection(section);
  if (!s) return nullptr;
  const auto it = s->keys.find(Lower(Trim(key)));
  return it == s->keys.end() ? nullptr : &s->body[it->second];
}

bool IniFile::HasSection(std::string_view section) const { return findSection(section) != nullptr; }

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  const Line* line = findLine(section, key);
  if (!line) return std::nullopt;
  const std::string_view text(line->text);
  return std::string(Trim(text.substr(text.find('=') + 1)));
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view def) const {
  auto value = Get(section, key);
  return value ? std::move(*value) : std::string(def);
}

long IniFile::ReadInt(std::string_view section, std::string_view key, long def) const {
  const auto value = Get(section, key);
  if (!value) return def;
  return ParseIniInt(*value).value_or(def);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInt(section, key, def ? 1 : 0) != 0;
}

void IniFile::Write(std::string_view sectionName, std::string_view keyName,
                    std::string_view value) {
  const std::string name = OneLine(Trim(sectionName));
  const std::string keyText = OneLine(Trim(keyName));
  const std::string line = keyText + "=" + OneLine(Trim(value));
  std::string key = Lower(keyText);

  auto [it, added] = sectionIndex_.emplace(Lower(name), sections_.size());
  if (added) {
    Section section;
    section.header = "[" + name + "]";
    sections_.push_back(std::move(section));
  }
  Section& section = sections_[it->second];
  const auto found = section.keys.find(key);
  if (found == section.keys.end()) {
    addKeyLine(section, line, std::move(key));
    return;
  }
  // Keep the key as the file spells it; replace only the value.
  std::string& text = section.body[found->second].text;
  const std::string_view old(text);
  text = std::string(Trim(old.substr(0, old.find('=')))) + "=" + OneLine(Trim(value));
}

std::string IniFile::Text() const {
  std::string out;
  for (const Section& section : sections_) {
    if (&section != &sections_.front()) out.append(section.header).append("\r\n");
    for (const Line& line : section.body) out.append(line.text).append("\r\n");
    for (const std::string& blank : section.trailingBlanks) out.append(blank).append("\r\n");
  }
  return out;
}

bool IniFile::Save(const std::string& path, std::string* error) const {
  return WriteFileAtomically(path, Text(), error);
}

}  // namespace velkaro
