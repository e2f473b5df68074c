// Test fixtures that keep the library's folders inside a temporary directory.
#pragma once

#include <cstdlib>
#include <filesystem>
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

// Points the base directory and the settings folder into a temporary folder.
class TemporaryHome {
 public:
  TemporaryHome()
      : m_base("TESSAGLYPH_HOME", m_root.folder() + "base/"),
        m_config("XDG_CONFIG_HOME", m_root.folder() + "config"),
        m_data("XDG_DATA_HOME", m_root.folder() + "data") {
    std::filesystem::create_directories(m_root.path() / "base");
  }
  std::string base() const { return m_root.folder() + "base/"; }
  std::string settings() const { return m_root.folder() + "config/tessaglyph/"; }
  const TemporaryFolder& root() const { return m_root; }

 private:
  TemporaryFolder m_root;
  ScopedEnvironment m_base;
  ScopedEnvironment m_config;
  ScopedEnvironment m_data;
};

}  // namespace tg::test
