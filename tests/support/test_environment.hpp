// Test fixtures that keep the library's folders inside a temporary directory.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace tg::test {

// Sets an environment variable for the lifetime of the object and restores it afterwards.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, std::optional<std::string> value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnvironment() {
    if (m_old) {
      setenv(m_name.c_str(), m_old->c_str(), 1);
    } else {
      unsetenv(m_name.c_str());
    }
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};

// A fresh temporary folder removed again at the end.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tessaglyph-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    m_path = mkdtemp(buffer.data());
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  // The folder as text, ending with "/".
  std::string folder() const { return m_path.string() + "/"; }

 private:
  std::filesystem::path m_path;
};

// A throw-away home for tests that touch settings and data folders: HOME, XDG_CONFIG_HOME and
// XDG_DATA_HOME point into a fresh temporary folder, and TESSAGLYPH_HOME is unset, or set to the
// folder's "base/" when asked. Everything is restored, and the folder removed, at the end.
class SettingsSandbox {
 public:
  explicit SettingsSandbox(bool withBaseDirectory = false)
      : m_home("HOME", m_root.folder() + "home"),
        m_config("XDG_CONFIG_HOME", m_root.folder() + "config"),
        m_data("XDG_DATA_HOME", m_root.folder() + "data"),
        m_base("TESSAGLYPH_HOME", withBaseDirectory
                                      ? std::optional<std::string>(m_root.folder() + "base/")
                                      : std::nullopt) {
    if (withBaseDirectory) std::filesystem::create_directories(m_root.path() / "base");
  }
  ~SettingsSandbox() {
    // Folders a test made read-only must become writable again before they can go.
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(m_root.path(), error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
      if (it->is_directory(error)) ::chmod(it->path().c_str(), 0700);
    }
  }

  // The sandbox folder, ending with "/".
  std::string root() const { return m_root.folder(); }
  // Where the settings folder rule puts files: $XDG_CONFIG_HOME/tessaglyph/.
  std::string settingsFolder() const { return m_root.folder() + "config/tessaglyph/"; }
  // The base directory when the sandbox was made with one.
  std::string base() const { return m_root.folder() + "base/"; }

  static void setVariable(const char* name, const std::optional<std::string>& value) {
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }

  // Writes bytes to a file below the sandbox (folders created), and reads them back.
  void writeFile(const std::string& relative, const std::string& content) const {
    const std::filesystem::path path = m_root.folder() + relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
  }
  std::optional<std::string> readFile(const std::string& relative) const {
    std::ifstream in(m_root.folder() + relative, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  TemporaryFolder m_root;
  ScopedEnvironment m_home;
  ScopedEnvironment m_config;
  ScopedEnvironment m_data;
  ScopedEnvironment m_base;
};

// A sandbox whose base directory (logs, grids) is its own "base/" folder.
class TemporaryHome : public SettingsSandbox {
 public:
  TemporaryHome() : SettingsSandbox(true) {}
};

}  // namespace tg::test
