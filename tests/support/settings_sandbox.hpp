// A throw-away home for tests that touch settings and data folders: a fresh temporary folder
// with HOME, XDG_CONFIG_HOME and XDG_DATA_HOME pointing into it and TESSAGLYPH_HOME unset. The
// variables get their old values back, and the folder is removed, when the sandbox goes.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>

namespace tg::testing {

class SettingsSandbox {
 public:
  static constexpr std::array<const char*, 4> kVariables = {"HOME", "XDG_CONFIG_HOME",
                                                            "XDG_DATA_HOME", "TESSAGLYPH_HOME"};

  SettingsSandbox() {
    for (std::size_t i = 0; i < kVariables.size(); ++i) {
      if (const char* value = std::getenv(kVariables[i])) m_saved[i] = value;
    }
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tessaglyph-test-XXXXXX").native();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_root = pattern + "/";
    setVariable("HOME", m_root + "home");
    setVariable("XDG_CONFIG_HOME", m_root + "config");
    setVariable("XDG_DATA_HOME", m_root + "data");
    setVariable("TESSAGLYPH_HOME", std::nullopt);
  }

  ~SettingsSandbox() {
    for (std::size_t i = 0; i < kVariables.size(); ++i)
      setVariable(kVariables[i], m_saved[i]);
    // Folders a test made read-only must become writable again before they can go.
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(m_root, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
      if (it->is_directory(error)) ::chmod(it->path().c_str(), 0700);
    }
    std::filesystem::remove_all(m_root, error);
  }

  SettingsSandbox(const SettingsSandbox&) = delete;
  SettingsSandbox& operator=(const SettingsSandbox&) = delete;

  // The sandbox folder, ending with "/".
  const std::string& root() const { return m_root; }
  // Where the settings folder rule puts files: $XDG_CONFIG_HOME/tessaglyph/.
  std::string settingsFolder() const { return m_root + "config/tessaglyph/"; }

  static void setVariable(const char* name, const std::optional<std::string>& value) {
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }

  // Writes bytes to a file below the sandbox (folders created), and reads them back.
  void writeFile(const std::string& relative, const std::string& content) const {
    const std::filesystem::path path = m_root + relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
  }
  std::optional<std::string> readFile(const std::string& relative) const {
    std::ifstream in(m_root + relative, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::string m_root;
  std::array<std::optional<std::string>, 4> m_saved;
};

}  // namespace tg::testing
