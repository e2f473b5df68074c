// Handles index a table of POSIX descriptors; a closed slot is reused by the next open, as the
// platform's FreeFile did. All access is positional, so no handle has a cursor that another
// reader could disturb.
//
// Reads are served from a read-only shared mapping of the whole file: a warm read of a few
// bytes is a copy out of the page cache with no system call, and scanning a text file runs at
// memory speed. A block cache would do the same for reads but would have to be kept in step with
// every write; the shared mapping sees writes made through pwrite (ours or another process's) at
// once, since both go through the same page cache. Writes stay pwrite so that they can extend
// the file. Where a file cannot be mapped (an empty file, a pipe, a file system without mmap) the
// layer reads with pread as before.
//
// A file that another process cuts shorter under a mapping would kill the process with SIGBUS
// at the first touch of a page past the new end. A SIGBUS handler catches faults inside our
// mappings, puts a zero page in place so that the copy can finish, and marks the mapping; the
// read then sees the mark, drops the mapping and answers from the file as it is now (error 62
// past its new end). Faults anywhere else go to the handler that was installed before.
#include "support/file_layer.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "support/paths.hpp"
#include "tessaglyph/error.hpp"

namespace tg {

namespace file_layer_detail {
std::uint64_t g_mappingGeneration = 0;
}

namespace {

struct GuardedMapping;

struct OpenFileEntry {
  int fd = -1;
  bool writable = false;
  std::string path;
  // The mapping of bytes [0, mappedLength) of the file, or nullptr.
  const unsigned char* mapped = nullptr;
  std::size_t mappedLength = 0;
  // The length of the file as this layer last knew it; -1 for a file that is not mapped.
  long long knownLength = -1;
  GuardedMapping* guard = nullptr;
};

std::vector<OpenFileEntry>& table() {
  static std::vector<OpenFileEntry> entries;  // entries[h - 1] is handle h
  return entries;
}

// The first slot without a descriptor: the slot the next open takes (the table's size when all
// are taken).
std::size_t firstFreeSlot(const std::vector<OpenFileEntry>& entries) noexcept {
  std::size_t slot = 0;
  while (slot < entries.size() && entries[slot].fd >= 0)
    ++slot;
  return slot;
}

// ---- Mappings and the SIGBUS guard ------------------------------------------------------------

// The mappings the SIGBUS handler knows, in a fixed table it can read without allocating. A
// slot with a null base is free; `cut` is set by the handler when it patched a page.
struct GuardedMapping {
  std::atomic<const unsigned char*> base{nullptr};
  std::atomic<std::size_t> length{0};
  std::atomic<bool> cut{false};
};
constexpr std::size_t kGuardedMappings = 4096;
GuardedMapping g_guarded[kGuardedMappings];
struct sigaction g_previousBusAction {};
bool g_busHandlerInstalled = false;

void busHandler(int signal, siginfo_t* info, void* context) {
  const auto* address = static_cast<const unsigned char*>(info->si_addr);
  for (GuardedMapping& mapping : g_guarded) {
    const unsigned char* base = mapping.base.load(std::memory_order_relaxed);
    if (base == nullptr || address < base ||
        address >= base + mapping.length.load(std::memory_order_relaxed)) {
      continue;
    }
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    void* pageStart = reinterpret_cast<void*>(std::uintptr_t(address) & ~(page - 1));
    if (mmap(pageStart, page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
        MAP_FAILED) {
      mapping.cut.store(true, std::memory_order_relaxed);
      return;  // the faulting copy resumes and reads zeros
    }
    break;
  }
  // Not ours: as if we had never been here.
  if (g_previousBusAction.sa_flags & SA_SIGINFO) {
    if (g_previousBusAction.sa_sigaction != nullptr) {
      g_previousBusAction.sa_sigaction(signal, info, context);
      return;
    }
  } else if (g_previousBusAction.sa_handler != SIG_DFL &&
             g_previousBusAction.sa_handler != SIG_IGN) {
    g_previousBusAction.sa_handler(signal);
    return;
  }
  ::signal(signal, SIG_DFL);
  raise(signal);
}

void installBusHandler() {
  if (g_busHandlerInstalled) return;
  struct sigaction action {};
  action.sa_sigaction = &busHandler;
  action.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  g_busHandlerInstalled = sigaction(SIGBUS, &action, &g_previousBusAction) == 0;
}

GuardedMapping* guardSlotFor(const unsigned char* base) {
  for (GuardedMapping& mapping : g_guarded) {
    if (mapping.base.load(std::memory_order_relaxed) == base) return &mapping;
  }
  return nullptr;
}

void unmap(OpenFileEntry& entry) noexcept {
  if (entry.mapped == nullptr) return;
  ++file_layer_detail::g_mappingGeneration;
  if (GuardedMapping* slot = entry.guard) {
    slot->base.store(nullptr, std::memory_order_relaxed);
    slot->length.store(0, std::memory_order_relaxed);
    slot->cut.store(false, std::memory_order_relaxed);
  }
  munmap(const_cast<unsigned char*>(entry.mapped), entry.mappedLength);
  entry.mapped = nullptr;
  entry.mappedLength = 0;
  entry.guard = nullptr;
}

// Maps the whole file as it is now (nothing for an empty or unmappable file, or when the guard
// table is full); the known length follows the file either way.
void remap(OpenFileEntry& entry) noexcept {
  unmap(entry);
  struct stat info {};
  if (fstat(entry.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    entry.knownLength = -1;
    return;
  }
  entry.knownLength = info.st_size;
  if (info.st_size <= 0) return;
  installBusHandler();
  if (!g_busHandlerInstalled) return;
  GuardedMapping* slot = guardSlotFor(nullptr);
  if (slot == nullptr) return;
  void* base = mmap(nullptr, std::size_t(info.st_size), PROT_READ, MAP_SHARED, entry.fd, 0);
  if (base == MAP_FAILED) return;
  ++file_layer_detail::g_mappingGeneration;
  entry.mapped = static_cast<const unsigned char*>(base);
  entry.mappedLength = std::size_t(info.st_size);
  entry.guard = slot;
  slot->cut.store(false, std::memory_order_relaxed);
  slot->length.store(entry.mappedLength, std::memory_order_relaxed);
  slot->base.store(entry.mapped, std::memory_order_release);
}

// Copies from the mapping; false when a page had gone (the file was cut by someone else), and
// then the mapping is dropped and taken again from the file as it is now.
bool copyFromMapping(OpenFileEntry& entry, std::size_t offset, void* buffer, std::size_t count) {
  std::memcpy(buffer, entry.mapped + offset, count);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  if (!entry.guard->cut.load(std::memory_order_relaxed)) return true;
  remap(entry);
  return false;
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
  const std::size_t slot = firstFreeSlot(entries);
  if (slot >= std::size_t(std::numeric_limits<Integer>::max())) {
    ::close(fd);
    raisePlatformError(PLATFORM_E_BADFILENAMEORNUMBER);  // no handle left to give
  }
  if (slot == entries.size()) entries.emplace_back();
  entries[slot] = {};
  entries[slot].fd = fd;
  entries[slot].writable = writable;
  entries[slot].path = resolved;
  remap(entries[slot]);
  return Integer(slot + 1);
}

void closeFile(Integer handle) {
  OpenFileEntry& entry = entryFor(handle);
  unmap(entry);
  ::close(entry.fd);
  entry = {};
}

void closeFileQuietly(Integer handle) noexcept {
  if (isOpenFile(handle)) {
    OpenFileEntry& entry = table()[std::size_t(handle) - 1];
    unmap(entry);
    ::close(entry.fd);
    entry = {};
  }
}

bool isOpenFile(Integer handle) noexcept {
  const auto& entries = table();
  return handle >= 1 && std::size_t(handle) <= entries.size() && entries[handle - 1].fd >= 0;
}

Long fileLength(Integer handle) {
  OpenFileEntry& entry = entryFor(handle);
  long long length = entry.knownLength;
  if (length < 0) {
    struct stat info {};
    if (fstat(entry.fd, &info) != 0) raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR);
    length = info.st_size;
  }
  if (length > std::numeric_limits<Long>::max()) raisePlatformError(PLATFORM_E_OVERFLOW);
  return Long(length);
}

MappedFileView mappedFileView(Integer handle) noexcept {
  if (!isOpenFile(handle)) return {};
  const OpenFileEntry& entry = table()[std::size_t(handle) - 1];
  if (entry.mapped == nullptr) return {};
  return {entry.mapped, entry.mappedLength, &entry.guard->cut};
}

std::string filePath(Integer handle) {
  return entryFor(handle).path;
}

bool isWritableFile(Integer handle) {
  return entryFor(handle).writable;
}

namespace {

std::size_t preadSome(int fd, off_t offset, void* buffer, std::size_t count) {
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

// The bytes there are at `offset`, up to `count`: from the mapping when it holds them all,
// otherwise from the file (which then is mapped again, as it has grown or been cut).
std::size_t readSome(OpenFileEntry& entry, off_t offset, void* buffer, std::size_t count) {
  if (entry.mapped != nullptr && std::size_t(offset) <= entry.mappedLength &&
      count <= entry.mappedLength - std::size_t(offset)) {
    if (copyFromMapping(entry, std::size_t(offset), buffer, count)) return count;
  } else if (entry.knownLength >= 0 && count > 0) {
    remap(entry);
  }
  return preadSome(entry.fd, offset, buffer, count);
}

}  // namespace

std::size_t readFileSomeAt(Integer handle, Long position, void* buffer, std::size_t count) {
  OpenFileEntry& entry = entryFor(handle);
  return readSome(entry, toOffset(position), buffer, count);
}

void readFileAt(Integer handle, Long position, void* buffer, std::size_t count) {
  // A short read is the end of the file (the buffer may then hold part of the bytes; callers
  // read into scratch space).
  OpenFileEntry& entry = entryFor(handle);
  const off_t offset = toOffset(position);
  if (count == 0) {
    if (offset > off_t(fileLength(handle))) raisePlatformError(PLATFORM_E_INPUTPASTENDOFFILE);
    return;
  }
  if (readSome(entry, offset, buffer, count) != count) {
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
  // The mapping already shows the new bytes; only the length can have changed.
  OpenFileEntry& changed = entryFor(handle);
  if (changed.knownLength >= 0) {
    changed.knownLength = std::max(changed.knownLength, (long long)(offset) + (long long)(count));
  }
}

void truncateFile(Integer handle, Long length) {
  const OpenFileEntry& entry = entryFor(handle);
  if (!entry.writable) raisePlatformError(PLATFORM_E_BADFILEMODE);
  if (length < 0 || ::ftruncate(entry.fd, off_t(length)) != 0) {
    raisePlatformError(PLATFORM_E_PATHFILEACCESSERROR);
  }
  if (entry.knownLength >= 0) remap(entryFor(handle));
}

Integer freeFileHandle() noexcept {
  const std::size_t slot = firstFreeSlot(table());
  return Integer(std::min<std::size_t>(slot + 1, std::numeric_limits<Integer>::max()));
}

std::size_t openFileCount() noexcept {
  std::size_t count = 0;
  for (const auto& entry : table())
    count += entry.fd >= 0 ? 1 : 0;
  return count;
}

}  // namespace tg
