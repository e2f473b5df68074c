#include "package/package_paths.hpp"

#include <cstdlib>
#include <filesystem>

#include "support/paths.hpp"
#include "support/text.hpp"

namespace tg {
namespace {

std::filesystem::path canonicalOf(std::string_view path) {
  std::error_code error;
  std::filesystem::path result =
      std::filesystem::weakly_canonical(std::filesystem::path(resolvePath(path)), error);
  if (error) return {};
  return result.lexically_normal();
}

}  // namespace

std::string canonicalPath(std::string_view path) {
  return canonicalOf(path).string();
}

bool isValidPackageUid(std::string_view uid) {
  if (uid.size() > 200 || uid == "." || uid == "..") return false;
  for (const char c : uid) {
    if (static_cast<unsigned char>(c) < 0x20 ||
        std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
      return false;
    }
  }
  return true;
}

std::string programFilesFolder() {
  if (const char* programFiles = std::getenv("ProgramFiles"); programFiles && *programFiles) {
    return programFiles;
  }
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "") + "/.local/opt";
}

bool isInsideFolders(std::string_view path, const std::vector<std::string>& folders) {
  const std::string native = toNativePath(path);
  if (native.empty() || native.front() != '/') return false;
  const std::filesystem::path target = canonicalOf(native);
  if (target.empty()) return false;
  for (const std::string& folder : folders) {
    const std::string nativeFolder = toNativePath(folder);
    if (nativeFolder.empty() || nativeFolder.front() != '/') continue;
    const std::filesystem::path root = canonicalOf(nativeFolder);
    if (root.empty()) continue;
    auto rootPart = root.begin();
    auto targetPart = target.begin();
    for (; rootPart != root.end() && targetPart != target.end(); ++rootPart, ++targetPart) {
      // A trailing separator leaves an empty last element.
      if (rootPart->empty()) break;
      if (*rootPart != *targetPart) break;
    }
    if (rootPart == root.end() || rootPart->empty()) return true;
  }
  return false;
}

}  // namespace tg
