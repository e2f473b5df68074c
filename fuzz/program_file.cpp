// Program images from arbitrary bytes. Checked beyond "no crash, a clean error": a read fails
// only with the reader's own errors and leaves no file open; a program that reads writes back
// (or is refused for a literal its own text cannot hold); what was written reads again without
// repairs and writes the very same bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "support/error_report.hpp"
#include "support/file_layer.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/user_interface.hpp"

namespace {

void check(bool condition) {
  if (!condition) __builtin_trap();
}

// Answers the error report's message boxes without a log of its own.
class QuietUserInterface : public tg::UserInterface {
 public:
  tg::MESSAGEBOXRESULTS messageBox(const std::string&, std::int32_t, const std::string&) override {
    return tg::MBR_OK;
  }
};

class CountingEvents : public tg::TessaglyphProgramEvents {
 public:
  int corrections = 0;
  void dataCorrected(const std::string&, const std::string&, const std::string&) override {
    ++corrections;
  }
};

// One temporary folder per process for the files and for the error report's log.
struct Workspace {
  std::string folder;
  std::string input, first, second;
  QuietUserInterface ui;

  Workspace() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tessaglyph-fuzz-XXXXXX").string();
    check(mkdtemp(pattern.data()) != nullptr);
    folder = pattern;
    input = folder + "/input.tgp";
    first = folder + "/first.tgp";
    second = folder + "/second.tgp";
    std::filesystem::create_directories(folder + "/home");
    setenv("TESSAGLYPH_HOME", (folder + "/home/").c_str(), 1);
    tg::setUserInterface(&ui);
  }
  ~Workspace() {
    tg::setUserInterface(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
};

Workspace& workspace() {
  static Workspace instance;
  return instance;
}

void writeAll(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The errors a damaged image may raise.
bool isReadRefusal(std::int32_t number) {
  return number == tg::TG_P_E_INVALIDDATAERROR || number == tg::TG_P_E_NOTPROGRAMDATAERROR ||
         number == tg::PLATFORM_E_INPUTPASTENDOFFILE || number == tg::PLATFORM_E_BADRECORDNUMBER;
}

// Writes the program afresh to `path`; the result, or -1 when the write was refused.
tg::Long writeFresh(tg::TessaglyphProgram& program, const std::string& path) {
  std::filesystem::remove(path);
  try {
    return program.writeProgram(path, 1);
  } catch (const tg::Error& error) {
    // Only a literal whose text (as read, at the precision of its type) exceeds the type.
    check(error.number() == tg::PLATFORM_E_OVERFLOW);
    return -1;
  }
}

void roundTrip(tg::TessaglyphProgram& program) {
  Workspace& w = workspace();
  const tg::Long end = writeFresh(program, w.first);
  check(tg::openFileCount() == 0);
  if (end < 0) return;
  const std::string firstImage = readAll(w.first);
  check(tg::Long(firstImage.size()) + 1 == end);

  tg::TessaglyphProgram back;
  CountingEvents events;
  back.setEventSink(&events);
  tg::Long readEnd = -1;
  try {
    readEnd = back.readProgram(w.first, 1);
  } catch (const tg::Error&) {
    check(false);
  }
  check(readEnd == end);
  check(events.corrections == 0);

  check(writeFresh(back, w.second) == end);
  check(readAll(w.second) == firstImage);
  check(tg::openFileCount() == 0);
}

void readAndRoundTrip(const std::string& path, tg::Long offset, std::size_t size) {
  tg::TessaglyphProgram program;
  CountingEvents events;
  program.setEventSink(&events);
  tg::Long end = -1;
  try {
    end = program.readProgram(path, offset);
  } catch (const tg::Error& error) {
    check(isReadRefusal(error.number()));
  }
  check(tg::openFileCount() == 0);
  if (end < 0) return;
  check(end > offset && end <= tg::Long(size) + 1);
  roundTrip(program);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Workspace& w = workspace();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  writeAll(w.input, bytes);

  readAndRoundTrip(w.input, 1, size);
  if (size > 0) readAndRoundTrip(w.input, 1 + tg::Long(data[0] % 64), size);

  // Reports of unexpected errors pile up in the log; one run needs none of them.
  std::error_code ignored;
  std::filesystem::remove(tg::technicalSupportLogPath(), ignored);
  return 0;
}
