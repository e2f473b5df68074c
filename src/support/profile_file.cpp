// Profile files are edited in place rather than regenerated: every line keeps its bytes and its
// own line end, so comments, text before the first section, lines nobody understands and the
// layout a user gave the file all survive a rewrite. Only the lines an edit touches change.
#include "support/profile_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <functional>
#include <iterator>

#include "support/paths.hpp"
#include "support/text.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

constexpr std::int32_t kInvalidProcedureCall = 5;

[[noreturn]] void raiseInvalidArgument(const char* source) {
  throw Error(kInvalidProcedureCall, source, "Invalid procedure call or argument");
}

bool hasLineEnd(std::string_view text) noexcept {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

// The section name a header line carries, or nothing when the line is no header. The name runs
// to the last "]", so a name holding "]" reads back as it was written.
std::optional<std::string_view> headerName(std::string_view trimmed) noexcept {
  if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
  const std::size_t close = trimmed.rfind(']');
  if (close == std::string_view::npos || close == 0) return std::nullopt;
  return trimSpace(trimmed.substr(1, close - 1));
}

std::string_view unquote(std::string_view value) noexcept {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

void checkSectionName(std::string_view section, const char* source) {
  if (hasLineEnd(section)) raiseInvalidArgument(source);
}

void checkKeyName(std::string_view key, const char* source) {
  const std::string_view trimmed = trimSpace(key);
  if (hasLineEnd(key) || trimmed.find('=') != std::string_view::npos ||
      (!trimmed.empty() && (trimmed.front() == ';' || trimmed.front() == '['))) {
    raiseInvalidArgument(source);
  }
}

std::string headerLine(std::string_view section) {
  std::string line = "[";
  line += trimSpace(section);
  line += ']';
  return line;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The text in memory

ProfileText::ProfileText(std::string_view content) {
  const std::size_t firstEnd = content.find('\n');
  if (firstEnd != std::string_view::npos && firstEnd > 0 && content[firstEnd - 1] == '\r') {
    m_newLineEnd = LineEnd::crlf;
  }
  std::size_t start = 0;
  while (start < content.size()) {
    const std::size_t end = content.find('\n', start);
    if (end == std::string_view::npos) {
      m_lines.push_back(classify(std::string(content.substr(start)), LineEnd::none));
      break;
    }
    const bool crlf = end > start && content[end - 1] == '\r';
    const std::size_t textEnd = crlf ? end - 1 : end;
    m_lines.push_back(classify(std::string(content.substr(start, textEnd - start)),
                               crlf ? LineEnd::crlf : LineEnd::lf));
    start = end + 1;
  }
}

ProfileText::Line ProfileText::classify(std::string text, LineEnd end) {
  Line line;
  line.end = end;
  const std::string_view trimmed = trimSpace(text);
  if (trimmed.empty()) {
    line.kind = LineKind::blank;
  } else if (trimmed.front() == ';') {
    line.kind = LineKind::comment;
  } else if (auto name = headerName(trimmed)) {
    line.kind = LineKind::header;
    line.name = *name;
  } else if (const std::size_t equals = trimmed.find('=');
             trimmed.front() != '[' && equals != std::string_view::npos) {
    line.kind = LineKind::key;
    line.name = trimSpace(trimmed.substr(0, equals));
    line.value = trimSpace(trimmed.substr(equals + 1));
  } else {
    line.kind = LineKind::other;
  }
  line.text = std::move(text);
  return line;
}

std::optional<std::size_t> ProfileText::findSection(std::string_view section) const {
  const std::string_view wanted = trimSpace(section);
  for (std::size_t i = 0; i < m_lines.size(); ++i) {
    if (m_lines[i].kind == LineKind::header && equalsIgnoreCase(m_lines[i].name, wanted)) return i;
  }
  return std::nullopt;
}

std::optional<std::size_t> ProfileText::findKey(std::size_t header, std::string_view key) const {
  const std::string_view wanted = trimSpace(key);
  const std::size_t end = sectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (m_lines[i].kind == LineKind::key && equalsIgnoreCase(m_lines[i].name, wanted)) return i;
  }
  return std::nullopt;
}

std::size_t ProfileText::sectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < m_lines.size() && m_lines[i].kind != LineKind::header)
    ++i;
  return i;
}

// Just after the section's last non-blank line: blank lines that separate it from the next
// section stay where they are when lines are added or replaced.
std::size_t ProfileText::sectionContentEnd(std::size_t header) const {
  std::size_t end = sectionEnd(header);
  while (end > header + 1 && m_lines[end - 1].kind == LineKind::blank)
    --end;
  return end;
}

void ProfileText::insertLines(std::size_t position, const std::vector<std::string>& texts) {
  if (texts.empty()) return;
  // The last line of a file may lack its line end; it needs one once something follows it.
  if (position == m_lines.size() && !m_lines.empty() && m_lines.back().end == LineEnd::none) {
    m_lines.back().end = m_newLineEnd;
  }
  std::vector<Line> lines;
  lines.reserve(texts.size());
  for (const std::string& text : texts)
    lines.push_back(classify(text, m_newLineEnd));
  m_lines.insert(m_lines.begin() + std::ptrdiff_t(position), std::make_move_iterator(lines.begin()),
                 std::make_move_iterator(lines.end()));
}

void ProfileText::appendSection(std::string_view section, const std::vector<std::string>& texts) {
  std::vector<std::string> lines;
  if (!m_lines.empty() && m_lines.back().kind != LineKind::blank) lines.emplace_back();
  lines.push_back(headerLine(section));
  lines.insert(lines.end(), texts.begin(), texts.end());
  insertLines(m_lines.size(), lines);
}

std::optional<std::string> ProfileText::value(std::string_view section,
                                              std::string_view key) const {
  const auto header = findSection(section);
  if (!header) return std::nullopt;
  const auto line = findKey(*header, key);
  if (!line) return std::nullopt;
  return std::string(unquote(m_lines[*line].value));
}

void ProfileText::setValue(std::string_view section, std::string_view key,
                           std::optional<std::string_view> value) {
  constexpr const char* source = "ProfileText::setValue";
  checkSectionName(section, source);
  checkKeyName(key, source);
  if (value && hasLineEnd(*value)) raiseInvalidArgument(source);

  const auto header = findSection(section);
  if (!value) {
    // Every line of the key goes, so that a later duplicate cannot show through.
    if (!header) return;
    while (const auto line = findKey(*header, key)) {
      m_lines.erase(m_lines.begin() + std::ptrdiff_t(*line));
    }
    return;
  }

  std::string keyName(trimSpace(key));
  if (!header) {
    appendSection(section, {keyName + "=" + std::string(*value)});
    return;
  }
  if (const auto line = findKey(*header, key)) {
    // The key keeps the spelling the file gave it.
    Line& existing = m_lines[*line];
    existing = classify(existing.name + "=" + std::string(*value), existing.end);
    return;
  }
  insertLines(sectionContentEnd(*header), {keyName + "=" + std::string(*value)});
}

std::vector<std::string> ProfileText::section(std::string_view section) const {
  std::vector<std::string> lines;
  const auto header = findSection(section);
  if (!header) return lines;
  const std::size_t end = sectionEnd(*header);
  for (std::size_t i = *header + 1; i < end; ++i) {
    const Line& line = m_lines[i];
    if (line.kind == LineKind::key || line.kind == LineKind::other) {
      lines.emplace_back(trimSpace(line.text));
    }
  }
  return lines;
}

void ProfileText::setSection(std::string_view section, const std::vector<std::string>& lines) {
  constexpr const char* source = "ProfileText::setSection";
  checkSectionName(section, source);
  std::vector<std::string> texts;
  texts.reserve(lines.size());
  for (const std::string& line : lines) {
    const std::string_view trimmed = trimSpace(line);
    if (hasLineEnd(line) || headerName(trimmed)) raiseInvalidArgument(source);
    if (!trimmed.empty()) texts.emplace_back(trimmed);
  }

  const auto header = findSection(section);
  if (!header) {
    appendSection(section, texts);
    return;
  }
  const std::size_t contentEnd = sectionContentEnd(*header);
  m_lines.erase(m_lines.begin() + std::ptrdiff_t(*header + 1),
                m_lines.begin() + std::ptrdiff_t(contentEnd));
  insertLines(*header + 1, texts);
}

void ProfileText::removeSection(std::string_view section) {
  const auto header = findSection(section);
  if (!header) return;
  m_lines.erase(m_lines.begin() + std::ptrdiff_t(*header),
                m_lines.begin() + std::ptrdiff_t(sectionEnd(*header)));
}

std::vector<std::string> ProfileText::sectionNames() const {
  std::vector<std::string> names;
  for (const Line& line : m_lines) {
    if (line.kind == LineKind::header) names.push_back(line.name);
  }
  return names;
}

std::vector<std::string> ProfileText::keyNames(std::string_view section) const {
  std::vector<std::string> names;
  const auto header = findSection(section);
  if (!header) return names;
  const std::size_t end = sectionEnd(*header);
  for (std::size_t i = *header + 1; i < end; ++i) {
    if (m_lines[i].kind == LineKind::key) names.push_back(m_lines[i].name);
  }
  return names;
}

std::string ProfileText::render() const {
  std::size_t size = 0;
  for (const Line& line : m_lines)
    size += line.text.size() + 2;
  std::string content;
  content.reserve(size);
  for (const Line& line : m_lines) {
    content += line.text;
    if (line.end == LineEnd::lf) content += '\n';
    if (line.end == LineEnd::crlf) content += "\r\n";
  }
  return content;
}

// ---------------------------------------------------------------------------------------------
// Files on disk

namespace {

enum class FileState { present, missing, unreadable };

FileState readWholeFile(const std::string& path, std::string& content) {
  content.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return errno == ENOENT || errno == ENOTDIR ? FileState::missing : FileState::unreadable;
  }
  struct stat status {};
  if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
    ::close(fd);
    return FileState::unreadable;
  }
  char buffer[16384];
  for (;;) {
    const ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return FileState::unreadable;
    }
    content.append(buffer, std::size_t(count));
  }
  ::close(fd);
  return FileState::present;
}

// A profile for reading: a file that is missing or cannot be read reads as empty, so every
// look-up gives the caller's default.
ProfileText loadForReading(std::string_view file) {
  std::string content;
  if (readWholeFile(settingsFilePath(file), content) != FileState::present) content.clear();
  return ProfileText(content);
}

bool writeAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t count = ::write(fd, content.data(), content.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.remove_prefix(std::size_t(count));
  }
  return true;
}

// The new content goes to a temporary file beside the old one, which then replaces it in one
// rename: a full disk or a crash leaves either the old file or the new one, never half of one.
void writeFileSafely(const std::string& path, std::string_view content) {
  std::string target = path;
  struct stat status {};
  if (::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
    // Edit the file a link names, not the link.
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  const bool existed = ::stat(target.c_str(), &status) == 0;
  if (existed && (!S_ISREG(status.st_mode) || ::access(target.c_str(), W_OK) != 0)) {
    raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR);
  }

  static std::atomic<unsigned> serial{0};
  const std::string folder = hasFolder(target) ? std::string(folderOf(target)) : std::string("./");
  const std::string stem =
      folder + "." + std::string(fileNameOf(target)) + "." + std::to_string(::getpid()) + ".";
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = stem + std::to_string(serial++) + ".tmp";
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR);

  bool written = true;
  if (existed) {
    // The replacement keeps the old file's permissions and, where allowed, its owner.
    written = ::fchmod(fd, status.st_mode & 07777) == 0;
    if (status.st_uid != ::geteuid() || status.st_gid != ::getegid()) {
      [[maybe_unused]] const int ignored = ::fchown(fd, status.st_uid, status.st_gid);
    }
  }
  written = written && writeAll(fd, content) && ::fsync(fd) == 0;
  written = ::close(fd) == 0 && written;
  if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
    ::unlink(temporary.c_str());
    raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR);
  }
}

// Reads the profile (a missing file is an empty one), applies the edit and writes the result
// back when it changed. A bare file name lives in the settings folder, created when needed.
void editProfile(std::string_view file, const std::function<void(ProfileText&)>& edit) {
  const std::string path = settingsFilePath(file);
  std::string original;
  const FileState state = readWholeFile(path, original);
  if (state == FileState::unreadable) raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR);

  ProfileText text(original);
  edit(text);
  const std::string rendered = text.render();
  if (rendered == original && (state == FileState::present || rendered.empty())) return;

  if (!hasFolder(file) && !ensureFolder(settingsFolder())) {
    raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR);
  }
  writeFileSafely(path, rendered);
}

}  // namespace

std::string readProfileString(std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::string_view file) {
  const auto value = loadForReading(file).value(section, key);
  return value ? *value : std::string(defaultValue);
}

void writeProfileString(std::string_view section, std::string_view key,
                        std::optional<std::string_view> value, std::string_view file) {
  editProfile(file, [&](ProfileText& text) { text.setValue(section, key, value); });
}

std::vector<std::string> readProfileSection(std::string_view section, std::string_view file) {
  return loadForReading(file).section(section);
}

void writeProfileSection(std::string_view section, const std::vector<std::string>& lines,
                         std::string_view file) {
  editProfile(file, [&](ProfileText& text) { text.setSection(section, lines); });
}

void deleteProfileSection(std::string_view section, std::string_view file) {
  editProfile(file, [&](ProfileText& text) { text.removeSection(section); });
}

std::vector<std::string> profileSectionNames(std::string_view file) {
  return loadForReading(file).sectionNames();
}

std::vector<std::string> profileKeyNames(std::string_view section, std::string_view file) {
  return loadForReading(file).keyNames(section);
}

}  // namespace tg
