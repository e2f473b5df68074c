// Handles index a table of POSIX descriptors; a closed slot is reused by the next open, as the
// platform's FreeFile did. All access is positional (pread/pwrite), so no handle has a cursor
// that another reader could disturb.
#include "support/file_layer.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <vector>

#include "support/paths.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace {

struct OpenFileEntry {
  int fd = -1;
  bool writable = false;
  std::string path;
};

std::vector<OpenFileEntry>& table() {
  static std::vector<OpenFileEntry> entries;  // entries[h - 1] is handle h
  return entries;
}

OpenFileEntry& entryFor(Integer handle) {
  auto& entries = table();
  if (handle < 1 || std::size_t(handle) > entries.size() || entries[handle - 1].fd < 0) {
    raisePlatformError(PLATFORM_E_BADFILENAMEORNUMBER);
  }
  return entries[std::size_t(handle) - 1];
}

[[noreturn]] void raiseOpenError(const std::string& path, int error) {
  if (error == ENOENT) {
    const std::string folder(folderOf(path));
    struct stat info {};
    if (!folder.empty() && stat(folder.c_str(), &info) != 0) {
      raisePlatformError(PLATFORM_E_PATHNOTFOUND);
    }
    raisePlatformError(PLATFORM_E_FILENOTFOUND);
  }
  if (error == ENOTDIR) raisePlatformError(PLATFORM_E_PATHNOTFOUND);
  raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR);
}

off_t toOffset(Long position) {
  if (position < 1) raisePlatformError(PLATFORM_E_BADRECORDNUMBER);
  return off_t(position) - 1;
}

}  // namespace

Integer openFile(std::string_view path, FileOpenMode mode) {
  if (path.empty()) raisePlatformError(PLATFORM_E_BADFILENAMEORNUMBER);
  const std::string resolved = resolvePath(path);
  struct stat info {};
  if (stat(resolved.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR);
  }

  int fd = -1;
  bool writable = false;
  switch (mode) {
    case FileOpenMode::ReadOnly:
      fd = ::open(resolved.c_str(), O_RDONLY | O_CLOEXEC);
      break;
    case FileOpenMode::ReadWrite:
      fd = ::open(resolved.c_str(), O_RDWR | O_CLOEXEC);
      writable = fd >= 0;
      if (fd < 0 && (errno == EACCES || errno == EROFS)) {
        fd = ::open(resolved.c_str(), O_RDONLY | O_CLOEXEC);
      }
      break;
    case FileOpenMode::ReadWriteCreate:
      fd = ::open(resolved.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
      writable = fd >= 0;
      break;
  }
  if (fd < 0) raiseOpenError(resolved, errno);

  auto& entries = table();
  std::size_t slot = 0;
  while (slot < entries.size() && entries[slot].fd >= 0)
    ++slot;
  if (slot >= std::size_t(std::numeric_limits<Integer>::max())) {
    ::close(fd);
    raisePlatformError(PLATFORM_E_BADFILENAMEORNUMBER);  // no handle left to give
  }
  if (slot == entries.size()) entries.emplace_back();
  entries[slot] = {fd, writable, resolved};
  return Integer(slot + 1);
}

void closeFile(Integer handle) {
  OpenFileEntry& entry = entryFor(handle);
  ::close(entry.fd);
  entry = {};
}

void closeFileQuietly(Integer handle) noexcept {
  if (isOpenFile(handle)) {
    OpenFileEntry& entry = table()[std::size_t(handle) - 1];
    ::close(entry.fd);
    entry = {};
  }
}

bool isOpenFile(Integer handle) noexcept {
  const auto& entries = table();
  return handle >= 1 && std::size_t(handle) <= entries.size() && entries[handle - 1].fd >= 0;
}

Long fileLength(Integer handle) {
  struct stat info {};
  if (fstat(entryFor(handle).fd, &info) != 0) raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR);
  if (info.st_size > std::numeric_limits<Long>::max()) raisePlatformError(PLATFORM_E_OVERFLOW);
  return Long(info.st_size);
}

std::string filePath(Integer handle) {
  return entryFor(handle).path;
}

bool isWritableFile(Integer handle) {
  return entryFor(handle).writable;
}

std::size_t readFileSomeAt(Integer handle, Long position, void* buffer, std::size_t count) {
  const int fd = entryFor(handle).fd;
  off_t offset = toOffset(position);
  auto* bytes = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd, bytes + done, count - done, offset + off_t(done));
    if (got < 0) {
      if (errno == EINTR) continue;
      raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR);
    }
    if (got == 0) break;
    done += std::size_t(got);
  }
  return done;
}

void readFileAt(Integer handle, Long position, void* buffer, std::size_t count) {
  // A short read is the end of the file: one system call per read, no length asked first (the
  // buffer may then hold part of the bytes; callers read into scratch space).
  if (count == 0) {
    if (toOffset(position) > off_t(fileLength(handle))) {
      raisePlatformError(PLATFORM_E_INPUTPASTENDOFFILE);
    }
    return;
  }
  if (readFileSomeAt(handle, position, buffer, count) != count) {
    raisePlatformError(PLATFORM_E_INPUTPASTENDOFFILE);
  }
}

void writeFileAt(Integer handle, Long position, const void* buffer, std::size_t count) {
  const OpenFileEntry& entry = entryFor(handle);
  const off_t offset = toOffset(position);
  if (!entry.writable) raisePlatformError(PLATFORM_E_BADFILEMODE);
  const auto* bytes = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t put = ::pwrite(entry.fd, bytes + done, count - done, offset + off_t(done));
    if (put < 0) {
      if (errno == EINTR) continue;
      raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR);
    }
    done += std::size_t(put);
  }
}

void truncateFile(Integer handle, Long length) {
  const OpenFileEntry& entry = entryFor(handle);
  if (!entry.writable) raisePlatformError(PLATFORM_E_BADFILEMODE);
  if (length < 0 || ::ftruncate(entry.fd, off_t(length)) != 0) {
    raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR);
  }
}

Integer freeFileHandle() noexcept {
  const auto& entries = table();
  std::size_t slot = 0;
  while (slot < entries.size() && entries[slot].fd >= 0)
    ++slot;
  return Integer(std::min<std::size_t>(slot + 1, std::numeric_limits<Integer>::max()));
}

std::size_t openFileCount() noexcept {
  std::size_t count = 0;
  for (const auto& entry : table())
    count += entry.fd >= 0 ? 1 : 0;
  return count;
}

}  // namespace tg
