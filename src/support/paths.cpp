// Paths arrive with "\" as often as with "/", and in whatever case the writer of a settings file
// or an uninstall log chose; the file system here is case-sensitive, so every name is looked up
// exactly first and only then matched without regard to case, folder by folder.
#include "support/paths.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "support/profile_file.hpp"
#include "support/text.hpp"

namespace tg {

namespace fs = std::filesystem;

std::string toNativePath(std::string_view path) {
  std::string result(path);
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

namespace {

std::size_t lastSeparator(std::string_view path) noexcept {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (isPathSeparator(path[i - 1])) return i - 1;
  }
  return std::string_view::npos;
}

// A folder text as the system hands it on: native separators, exactly one trailing "/", and no
// NUL left behind by whoever stored it.
std::string asFolder(std::string_view folder) {
  while (!folder.empty() && folder.back() == '\0')
    folder.remove_suffix(1);
  std::string result = toNativePath(folder);
  while (result.size() > 1 && result.back() == '/')
    result.pop_back();
  if (result.empty() || result.back() != '/') result += '/';
  return result;
}

// An environment variable, or nothing when it is unset or empty.
std::optional<std::string> environment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

// A base folder of the XDG kind: the variable when it holds an absolute path (relative ones are
// to be ignored), else the fallback under the home folder, else a folder in the current one.
std::string userFolder(const char* variable, std::string_view homeRelative) {
  if (auto value = environment(variable); value && value->front() == '/') {
    return asFolder(*value) + "tessaglyph/";
  }
  if (auto home = environment("HOME")) {
    return asFolder(*home) + std::string(homeRelative) + "tessaglyph/";
  }
  std::error_code error;
  const fs::path current = fs::current_path(error);
  return asFolder(error ? std::string(".") : current.native()) + ".tessaglyph/";
}

bool isDirectory(const std::string& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

bool exists(const std::string& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

// The names in `folder` that equal `name` without regard to case, the exact spelling first and
// the others in byte order, so that the choice among names differing only by case is stable.
std::vector<std::string> caseVariants(const std::string& folder, const std::string& name) {
  std::vector<std::string> found;
  std::error_code error;
  fs::directory_iterator entries(folder.empty() ? "." : folder, error);
  if (error) return found;
  for (const auto& entry : entries) {
    std::string entryName = entry.path().filename().native();
    if (entryName != name && equalsIgnoreCase(entryName, name)) {
      found.push_back(std::move(entryName));
    }
  }
  std::sort(found.begin(), found.end());
  if (exists(folder + name)) found.insert(found.begin(), name);
  return found;
}

struct Resolution {
  std::string path;
  bool complete = false;
};

// Depth-first over the case variants of each component: the first combination that reaches the
// last component wins. When none does, the deepest chain of first choices is kept and the rest
// is appended as given, so a new file lands in the existing folder of another case.
Resolution resolveFrom(const std::string& prefix, const std::vector<std::string>& components,
                       std::size_t index, bool trailingSeparator) {
  if (index == components.size()) {
    return {trailingSeparator && !prefix.empty() && prefix.back() != '/' ? prefix + "/" : prefix,
            true};
  }
  const std::string& name = components[index];
  const bool last = index + 1 == components.size();
  std::optional<Resolution> partial;
  std::vector<std::string> candidates;
  if (name == "." || name == "..") {
    candidates.push_back(name);
  } else {
    candidates = caseVariants(prefix, name);
  }
  for (const std::string& candidate : candidates) {
    const std::string path = prefix + candidate;
    if (!last && !isDirectory(path)) continue;
    Resolution attempt =
        resolveFrom(last ? path : path + "/", components, index + 1, trailingSeparator);
    if (attempt.complete) return attempt;
    if (!partial) partial = std::move(attempt);
  }
  if (partial) return *partial;
  std::string rest = prefix;
  for (std::size_t i = index; i < components.size(); ++i) {
    rest += components[i];
    if (i + 1 < components.size() || trailingSeparator) rest += '/';
  }
  return {rest, false};
}

}  // namespace

std::string_view folderOf(std::string_view path) noexcept {
  const std::size_t separator = lastSeparator(path);
  return separator == std::string_view::npos ? std::string_view() : path.substr(0, separator + 1);
}

std::string_view fileNameOf(std::string_view path) noexcept {
  const std::size_t separator = lastSeparator(path);
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

std::string_view extensionOf(std::string_view path) noexcept {
  const std::string_view name = fileNameOf(path);
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

std::string_view fileTitleOf(std::string_view path) noexcept {
  const std::string_view name = fileNameOf(path);
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? name : name.substr(0, dot);
}

std::string joinPath(std::string_view folder, std::string_view name) {
  if (folder.empty()) return std::string(name);
  while (!folder.empty() && isPathSeparator(folder.back()))
    folder.remove_suffix(1);
  while (!name.empty() && isPathSeparator(name.front()))
    name.remove_prefix(1);
  std::string result(folder);
  result += '/';
  result += name;
  return result;
}

bool hasFolder(std::string_view path) noexcept {
  return lastSeparator(path) != std::string_view::npos;
}

std::string resolvePath(std::string_view path) {
  std::string native = toNativePath(path);
  if (native.empty() || exists(native)) return native;

  std::vector<std::string> components;
  std::size_t start = 0;
  while (start <= native.size()) {
    std::size_t end = native.find('/', start);
    if (end == std::string::npos) end = native.size();
    if (end > start) components.emplace_back(native.substr(start, end - start));
    start = end + 1;
  }
  if (components.empty()) return native;

  const bool absolute = native.front() == '/';
  const bool trailingSeparator = native.back() == '/';
  Resolution resolution = resolveFrom(absolute ? "/" : "", components, 0, trailingSeparator);
  // When no component needed another case, the path goes back exactly as it was written.
  std::string asWritten = absolute ? "/" : "";
  for (std::size_t i = 0; i < components.size(); ++i) {
    asWritten += components[i];
    if (i + 1 < components.size() || trailingSeparator) asWritten += '/';
  }
  return resolution.path == asWritten ? native : resolution.path;
}

std::string settingsFolder() {
  return userFolder("XDG_CONFIG_HOME", ".config/");
}

std::string settingsFilePath(std::string_view fileName) {
  if (hasFolder(fileName)) return resolvePath(fileName);
  return resolvePath(settingsFolder() + std::string(fileName));
}

std::string baseDirectory() {
  if (auto home = environment("TESSAGLYPH_HOME")) {
    // A relative folder is taken from the working folder now, so every path built on the base
    // directory (and every comparison of resolved paths with it) is absolute.
    std::string folder = asFolder(*home);
    if (folder.front() != '/') {
      std::error_code error;
      const std::filesystem::path current = std::filesystem::current_path(error);
      if (!error) folder = asFolder(current.native()) + folder;
    }
    return folder;
  }

  std::string stored = readProfileString("CONFIG", "HarrowfeldDirectory", "", "HFRegistry.INI");
  while (!stored.empty() && stored.back() == '\0')
    stored.pop_back();
  if (!trimSpace(stored).empty()) {
    return asFolder(resolvePath(asFolder(trimSpace(stored))));
  }

  std::string data = userFolder("XDG_DATA_HOME", ".local/share/");
  ensureFolder(data);
  return data;
}

std::string installedDataFolder() {
  return TG_INSTALLED_DATA_DIR;
}

bool ensureFolder(std::string_view folder) {
  std::string native = toNativePath(folder);
  if (native.empty()) return true;
  native = resolvePath(native);
  std::error_code error;
  fs::create_directories(native, error);
  return isDirectory(native);
}

}  // namespace tg
