// The process-wide file layer: files opened by scripts and by the program-file code are known
// by small positive handles and read and written at 1-based byte positions, with the platform's
// file errors on misuse. Paths may use either separator and are found without regard to case.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tessaglyph/types.hpp"

namespace tg {

enum class FileOpenMode {
  ReadOnly,         // an existing file, reading only
  ReadWrite,        // an existing file, reading and writing; read-only when it cannot be written
  ReadWriteCreate,  // reading and writing, created (empty) when missing
};

// Opens a file and returns its handle, the lowest one free. A missing file raises 53 "File not
// found" (76 "Path not found" when its folder is missing); a file that cannot be opened raises
// 75 "Path/File access error"; an empty name raises 52 "Bad file name or number".
Integer openFile(std::string_view path, FileOpenMode mode);
// Closes the handle; 52 when it is not open.
void closeFile(Integer handle);
// Closes the handle when it is open; never raises.
void closeFileQuietly(Integer handle) noexcept;
bool isOpenFile(Integer handle) noexcept;
// The handle the next openFile would give (the lowest one free).
Integer freeFileHandle() noexcept;
// The length of the file in bytes; 52 for a handle that is not open.
Long fileLength(Integer handle);
// The path the file was opened under (resolved, native).
std::string filePath(Integer handle);
// True when writes to the handle are allowed.
bool isWritableFile(Integer handle);

// Reads exactly `count` bytes at the 1-based `position`. A position below 1 raises 63 "Bad
// record number"; bytes beyond the end of the file raise 62 "Input past end of file" (the
// buffer may then hold the bytes there were: read into scratch space); a handle that is not
// open raises 52.
void readFileAt(Integer handle, Long position, void* buffer, std::size_t count);
// Reads up to `count` bytes and returns how many there were (0 at or beyond the end).
std::size_t readFileSomeAt(Integer handle, Long position, void* buffer, std::size_t count);
// Writes `count` bytes at the 1-based `position`, extending the file when needed. 63 for a
// position below 1, 54 "Bad file mode" for a file opened for reading only, 75 on a failed write.
void writeFileAt(Integer handle, Long position, const void* buffer, std::size_t count);

// The mapped bytes of an open file, for a reader that takes a few bytes of one file at a time
// many times over (direct grid access) and cannot afford a look-up per read. A view stays good
// while mappingGeneration() keeps the value it had when the view was taken. After copying bytes
// out of it, the reader checks `cut` (behind a signal fence): when set, the file was cut short
// under the mapping, the copy may hold zeros, and the read must be made again with readFileAt.
struct MappedFileView {
  const unsigned char* data = nullptr;  // nullptr: nothing mapped, read with readFileAt
  std::size_t length = 0;
  const std::atomic<bool>* cut = nullptr;
};
// The view of a handle as mapped now; an empty view for a handle that is not open or not mapped.
MappedFileView mappedFileView(Integer handle) noexcept;

namespace file_layer_detail {
extern std::uint64_t g_mappingGeneration;
}
// Changes whenever any mapping is taken or dropped.
inline std::uint64_t mappingGeneration() noexcept {
  return file_layer_detail::g_mappingGeneration;
}

// Cuts the file (or extends it with zeros) to `length` bytes. 54 for a file opened for reading
// only, 75 when the change fails.
void truncateFile(Integer handle, Long length);

// The number of handles open in the process.
std::size_t openFileCount() noexcept;

// Owns a handle for one scope and closes it on every way out.
class ScopedFile {
 public:
  ScopedFile(std::string_view path, FileOpenMode mode) : m_handle(openFile(path, mode)) {}
  ~ScopedFile() { closeFileQuietly(m_handle); }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;
  Integer handle() const { return m_handle; }

 private:
  Integer m_handle;
};

}  // namespace tg
