#include "support/file_layer.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>

#include "support/test_environment.hpp"
#include "tessaglyph/error.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

using test::errorNumber;

class FileLayerTest : public ::testing::Test {
 protected:
  test::TemporaryFolder folder;
  std::string write(const std::string& name, const std::string& bytes) {
    const std::string path = folder.folder() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
};

TEST_F(FileLayerTest, MisuseRaisesThePlatformFileErrors) {
  const Integer handle = openFile(write("data.bin", "abc"), FileOpenMode::ReadOnly);
  char buffer[4];
  EXPECT_EQ(readFileSomeAt(handle, 2, buffer, 4), 2u);
  EXPECT_EQ(readFileSomeAt(handle, 10, buffer, 4), 0u);
  const std::string missing = folder.folder() + "missing.bin", nofolder = folder.folder() + "x/y";
  const std::pair<std::function<void()>, int> cases[] = {
      {[&] { readFileAt(handle, 2, buffer, 3); }, 62},
      {[&] { readFileAt(handle, 0, buffer, 1); }, 63},
      {[&] { writeFileAt(handle, 1, "z", 1); }, 54},
      {[&] { closeFile(handle); }, 0},
      {[&] { closeFile(handle); }, 52},
      {[&] { readFileAt(handle, 1, buffer, 1); }, 52},
      {[&] { (void)fileLength(0); }, 52},
      {[&] { (void)openFile(missing, FileOpenMode::ReadOnly); }, 53},
      {[&] { (void)openFile(nofolder, FileOpenMode::ReadWrite); }, 76},
      {[&] { (void)openFile(folder.folder() + "data.bin/x", FileOpenMode::ReadOnly); }, 76},
      {[&] { (void)openFile("", FileOpenMode::ReadOnly); }, 52},
      {[&] { (void)openFile(folder.folder(), FileOpenMode::ReadOnly); }, 75}};
  int row = 0;
  for (const auto& [call, number] : cases)
    EXPECT_EQ(errorNumber(call), number) << "row " << ++row;
}

TEST_F(FileLayerTest, UpperCasedNamesWithBackslashesFindTheFile) {
  std::filesystem::create_directories(folder.path() / "Tiles");
  write("Tiles/n45w122.hgt", "zz");
  std::string windowsStyle = folder.folder() + "TILES\\N45W122.HGT";
  ScopedFile file(windowsStyle, FileOpenMode::ReadOnly);
  EXPECT_EQ(filePath(file.handle()), folder.folder() + "Tiles/n45w122.hgt");
}

// Reads come from a mapping once the file is open; what changes the file underneath, through the
// layer or from outside, must show in the next read.
TEST_F(FileLayerTest, AWarmReadSeesEveryChangeToTheFile) {
  const std::string path = write("live.bin", std::string(10000, 'a'));
  ScopedFile file(path, FileOpenMode::ReadWrite);
  char byte = 0;
  readFileAt(file.handle(), 5000, &byte, 1);
  EXPECT_EQ(byte, 'a');

  writeFileAt(file.handle(), 5000, "b", 1);  // through the layer, inside the file
  readFileAt(file.handle(), 5000, &byte, 1);
  EXPECT_EQ(byte, 'b');

  writeFileAt(file.handle(), 10001, "cd", 2);  // through the layer, past the old end
  EXPECT_EQ(fileLength(file.handle()), 10002);
  char tail[2] = {};
  readFileAt(file.handle(), 10001, tail, 2);
  EXPECT_EQ(std::string(tail, 2), "cd");

  std::ofstream(path, std::ios::binary | std::ios::app) << "ef";  // another writer appends
  readFileAt(file.handle(), 10003, tail, 2);
  EXPECT_EQ(std::string(tail, 2), "ef");

  truncateFile(file.handle(), 3);
  EXPECT_EQ(errorNumber([&] { readFileAt(file.handle(), 5000, &byte, 1); }), 62);
  EXPECT_EQ(readFileSomeAt(file.handle(), 1, tail, 2), 2u);
}

// Another process cutting the file short under a warm mapping: the read past the new end is
// error 62, the bytes before it still read, and the process lives. Run in a child so that a
// crash would show as a failed exit, not as the end of the test program.
TEST_F(FileLayerTest, AFileCutByAnotherProcessGivesInputPastEndNotACrash) {
  const std::string path = write("cut_outside.bin", std::string(256 * 1024, 'x'));
  EXPECT_EXIT(
      {
        const Integer handle = openFile(path, FileOpenMode::ReadOnly);
        char bytes[4] = {};
        readFileAt(handle, 200000, bytes, 4);  // warm: the pages are mapped and touched
        if (::truncate(path.c_str(), 1000) != 0) std::_Exit(3);
        const int past = errorNumber([&] { readFileAt(handle, 200000, bytes, 4); });
        const int again = errorNumber([&] { readFileAt(handle, 150000, bytes, 4); });
        readFileAt(handle, 997, bytes, 4);
        std::_Exit(past == 62 && again == 62 && bytes[0] == 'x' && fileLength(handle) == 1000 ? 0
                                                                                              : 4);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace tg
