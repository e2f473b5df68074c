// Profile (INI) files with the semantics the system has always relied on: "[section]" headers
// and "key=value" lines, sections and keys compared without regard to case after trimming, the
// first match winning; ";" starts a comment line; lines before the first section and lines the
// module does not understand are kept when the file is rewritten. A missing file or key reads
// as the caller's default. A file named without a folder lives in the settings folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tg {

// The value of `key` in `section` (blanks around it trimmed, one pair of surrounding double
// quotes removed), or `defaultValue` when the file, the section or the key is missing.
std::string readProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::string_view file);

// Writes `key=value` into `section`, replacing the first existing line of that key or appending
// it at the end of the section; creates the section (at the end) and the file when missing.
// An empty optional value deletes the key. Raises error 75 "Path/File access error" when the
// file cannot be written.
void writeProfileString(std::string_view section, std::string_view key,
                        std::optional<std::string_view> value, std::string_view file);

// The lines of a section, in file order, without comments and blank lines ("key=value" lines
// and any other text lines as they stand, trimmed). Empty when the section or file is missing.
std::vector<std::string> readProfileSection(std::string_view section, std::string_view file);

// Replaces the whole content of the first section of that name with `lines` (creating the
// section at the end of the file, and the file, when missing). Every other section and line
// stays where it was. Raises error 75 when the file cannot be written.
void writeProfileSection(std::string_view section, const std::vector<std::string>& lines,
                         std::string_view file);

// Removes the first section of that name with all its lines.
void deleteProfileSection(std::string_view section, std::string_view file);

// The section names in file order, and the key names of one section in file order.
std::vector<std::string> profileSectionNames(std::string_view file);
std::vector<std::string> profileKeyNames(std::string_view section, std::string_view file);

// Parsing and rendering without touching the disk, for the fuzz target and for callers that
// keep a profile text in memory. Rendering an unchanged text gives back its bytes exactly; lines
// added later take the line end of the text's first line. Text that could not be read back as
// written raises error 5 "Invalid procedure call or argument" (a line end in any name, value or
// line; a key holding "=" or beginning with ";" or "["; a section line that reads as a header).
// The file functions above raise the same.
class ProfileText {
 public:
  explicit ProfileText(std::string_view content);
  std::optional<std::string> value(std::string_view section, std::string_view key) const;
  void setValue(std::string_view section, std::string_view key,
                std::optional<std::string_view> value);
  std::vector<std::string> section(std::string_view section) const;
  void setSection(std::string_view section, const std::vector<std::string>& lines);
  void removeSection(std::string_view section);
  std::vector<std::string> sectionNames() const;
  std::vector<std::string> keyNames(std::string_view section) const;
  std::string render() const;

 private:
  enum class LineKind : unsigned char { blank, comment, header, key, other };
  enum class LineEnd : unsigned char { none, lf, crlf };
  struct Line {
    std::string text;  // the line as it stands, without its line end
    LineEnd end = LineEnd::lf;
    LineKind kind = LineKind::other;
    std::string name;   // a header's section name or a key's name, trimmed
    std::string value;  // a key's value, trimmed, quotes still on
  };
  std::vector<Line> m_lines;
  LineEnd m_newLineEnd = LineEnd::lf;  // for lines this module adds: the file's own style

  static Line classify(std::string text, LineEnd end);
  std::optional<std::size_t> findSection(std::string_view section) const;
  std::optional<std::size_t> findKey(std::size_t header, std::string_view key) const;
  std::size_t sectionEnd(std::size_t header) const;
  std::size_t sectionContentEnd(std::size_t header) const;
  void insertLines(std::size_t position, const std::vector<std::string>& texts);
  void appendSection(std::string_view section, const std::vector<std::string>& texts);
};

}  // namespace tg
