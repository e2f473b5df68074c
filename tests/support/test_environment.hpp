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

namespace tg::test {

// Sets an environment variable for the lifetime of the object and restores it afterwards.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::optional<std::string>& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    set(name, value);
  }
  ~ScopedEnvironment() { set(m_name.c_str(), m_old); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  // Sets the variable, or removes it when `value` is empty.
  static void set(const char* name, const std::optional<std::string>& value) {
    value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
  }

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};

// A fresh temporary folder removed again at the end.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaglyph-test-XXXXXX");
    m_path = mkdtemp(pattern.data());
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
      : m_home("HOME", root() + "home"),
        m_config("XDG_CONFIG_HOME", root() + "config"),
        m_data("XDG_DATA_HOME", root() + "data"),
        m_base("TESSAGLYPH_HOME", withBaseDirectory ? std::optional(base()) : std::nullopt) {
    if (withBaseDirectory) std::filesystem::create_directories(base());
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
  std::string settingsFolder() const { return root() + "config/tessaglyph/"; }
  // The base directory when the sandbox was made with one.
  std::string base() const { return root() + "base/"; }

  static void setVariable(const char* name, const std::optional<std::string>& value) {
    ScopedEnvironment::set(name, value);
  }

  // Writes bytes to a file below the sandbox (folders created), and reads them back.
  void writeFile(const std::string& relative, const std::string& content) const {
    const std::filesystem::path path = root() + relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
  }
  std::optional<std::string> readFile(const std::string& relative) const {
    std::ifstream in(root() + relative, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  TemporaryFolder m_root;
  ScopedEnvironment m_home, m_config, m_data, m_base;
};

// A sandbox whose base directory (logs, grids) is its own "base/" folder.
class TemporaryHome : public SettingsSandbox {
 public:
  TemporaryHome() : SettingsSandbox(true) {}
};

}  // namespace tg::test
