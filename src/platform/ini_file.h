#pragma once
// An INI text file with the semantics of the Windows private-profile
// functions: "[section]" lines open sections, "key=value" lines follow;
// section and key lookups ignore ASCII case; values are trimmed of blanks.
// Writing a key updates its line in place, or appends it at the end of its
// section, or appends a new section at the end of the file, so every other
// line, comment and unknown key survives a save.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace velkaro {

class IniFile {
 public:
  IniFile() = default;

  // Reads a whole file (a leading UTF-8 BOM is skipped; UTF-8 is taken as is,
  // anything else is read as CP932 and converted). A missing file reads as an
  // empty file; *error (when given) then names the problem, and stays empty
  // when the file was read.
  static IniFile Load(const std::string& path, std::string* error = nullptr);
  // Parses UTF-8 text with LF, CR LF or CR line ends.
  static IniFile FromText(std::string utf8);

  // Writes the text as UTF-8 with CR LF line ends. The file is written beside
  // the target and renamed over it, so a failed save leaves the old file whole.
  bool Save(const std::string& path, std::string* error) const;

  // The trimmed value, "" for a present but empty value, nullopt when the
  // section or key is missing. Only the first section of a name is searched.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const;
  // Decimal, "$" hex or "0x" hex with an optional sign, within 32 bits (hex
  // wraps like a 32-bit pattern: "$FFFFFFFF" is -1); anything else gives def.
  long ReadInt(std::string_view section, std::string_view key, long def) const;
  // ReadInt(…, def ? 1 : 0) != 0.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  // Sets a key. Line breaks in the value are replaced by blanks so one value
  // can never become several lines.
  void Write(std::string_view section, std::string_view key, std::string_view value);

  bool HasSection(std::string_view section) const;
  // The whole file as Save writes it (CR LF line ends).
  std::string Text() const;

 private:
  struct Line {
    std::string text;   // the line as it stands in the file
    std::string key;    // lower-case key for key lines, empty otherwise
  };
  struct Section {
    std::string header;                                  // "[name]" line; empty for the preamble
    std::vector<Line> body;                              // up to the last non-blank line
    std::vector<std::string> trailingBlanks;             // blank lines before the next section
    std::unordered_map<std::string, std::size_t> keys;   // lower-case key -> first body line
  };

  void appendLine(std::string_view line);
  void addKeyLine(Section& section, std::string text, std::string key);
  const Section* findSection(std::string_view section) const;
  const Line* findLine(std::string_view section, std::string_view key) const;

  std::vector<Section> sections_ = std::vector<Section>(1);  // [0]: lines before any section
  std::unordered_map<std::string, std::size_t> sectionIndex_;  // lower-case name -> first section
};

// Parses an integer as the settings files store it (see IniFile::ReadInt).
std::optional<long> ParseIniInt(std::string_view text);

}  // namespace velkaro
