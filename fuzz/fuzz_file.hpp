// A scratch file for fuzz targets whose parser reads from disk: made once per process, rewritten
// for each input, removed at exit.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>

namespace tg::fuzz {

class ScratchFile {
 public:
  explicit ScratchFile(const char* name) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(name) + "-XXXXXX")).string();
    m_descriptor = ::mkstemp(pattern.data());
    m_path = pattern;
  }
  ~ScratchFile() {
    if (m_descriptor >= 0) ::close(m_descriptor);
    std::remove(m_path.c_str());
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // Replaces the file's bytes; false when that failed (the input is then skipped).
  bool write(const void* data, std::size_t size) {
    if (m_descriptor < 0 || ::ftruncate(m_descriptor, 0) != 0) return false;
    return size == 0 || ::pwrite(m_descriptor, data, size, 0) == ssize_t(size);
  }
  const std::string& path() const { return m_path; }

 private:
  int m_descriptor = -1;
  std::string m_path;
};

}  // namespace tg::fuzz
