#include "support/file_layer.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <fstream>

#include "support/test_environment.hpp"
#include "tessaglyph/error.hpp"

namespace tg {
namespace {

int errorNumberOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

class FileLayerTest : public ::testing::Test {
 protected:
  test::TemporaryFolder folder;
  std::string write(const std::string& name, const std::string& bytes) {
    const std::string path = folder.folder() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
};

TEST_F(FileLayerTest, ReadsAndWritesAtOneBasedPositions) {
  const std::string path = write("DATA.BIN", "abcdef");
  ScopedFile file(path, FileOpenMode::ReadWrite);
  EXPECT_EQ(fileLength(file.handle()), 6);
  std::array<char, 3> bytes{};
  readFileAt(file.handle(), 2, bytes.data(), 3);
  EXPECT_EQ(std::string(bytes.data(), 3), "bcd");

  writeFileAt(file.handle(), 8, "XY", 2);  // beyond the end: the gap is filled with zeros
  EXPECT_EQ(fileLength(file.handle()), 9);
  char gap = 'q';
  readFileAt(file.handle(), 7, &gap, 1);
  EXPECT_EQ(gap, '\0');
}

TEST_F(FileLayerTest, TruncateCutsOrExtendsAWritableFileOnly) {
  const std::string path = write("cut.bin", "abcdef");
  {
    ScopedFile file(path, FileOpenMode::ReadWrite);
    truncateFile(file.handle(), 2);
    EXPECT_EQ(fileLength(file.handle()), 2);
    truncateFile(file.handle(), 4);
    char tail[2] = {'x', 'x'};
    readFileAt(file.handle(), 3, tail, 2);
    EXPECT_EQ(std::string(tail, 2), std::string(2, '\0'));
  }
  ScopedFile readOnly(path, FileOpenMode::ReadOnly);
  EXPECT_EQ(errorNumberOf([&] { truncateFile(readOnly.handle(), 0); }), 54);
  EXPECT_EQ(fileLength(readOnly.handle()), 4);
}

TEST_F(FileLayerTest, MisuseRaisesThePlatformFileErrors) {
  const std::string path = write("data.bin", "abc");
  const Integer handle = openFile(path, FileOpenMode::ReadOnly);
  char buffer[4];
  EXPECT_EQ(errorNumberOf([&] { readFileAt(handle, 2, buffer, 3); }), 62);
  EXPECT_EQ(errorNumberOf([&] { readFileAt(handle, 0, buffer, 1); }), 63);
  EXPECT_EQ(errorNumberOf([&] { writeFileAt(handle, 1, "z", 1); }), 54);
  EXPECT_EQ(readFileSomeAt(handle, 2, buffer, 4), 2u);
  EXPECT_EQ(readFileSomeAt(handle, 10, buffer, 4), 0u);
  closeFile(handle);
  EXPECT_EQ(errorNumberOf([&] { closeFile(handle); }), 52);
  EXPECT_EQ(errorNumberOf([&] { readFileAt(handle, 1, buffer, 1); }), 52);
  EXPECT_EQ(errorNumberOf([&] { (void)fileLength(0); }), 52);
  EXPECT_EQ(errorNumberOf(
                [&] { (void)openFile(folder.folder() + "missing.bin", FileOpenMode::ReadOnly); }),
            53);
  EXPECT_EQ(errorNumberOf([&] {
              (void)openFile(folder.folder() + "nofolder/x.bin", FileOpenMode::ReadWrite);
            }),
            76);
  EXPECT_EQ(errorNumberOf([&] { (void)openFile("", FileOpenMode::ReadOnly); }), 52);
  EXPECT_EQ(errorNumberOf([&] { (void)openFile(folder.folder(), FileOpenMode::ReadOnly); }), 75);
}

TEST_F(FileLayerTest, UpperCasedNamesWithBackslashesFindTheFile) {
  std::filesystem::create_directories(folder.path() / "Tiles");
  write("Tiles/n45w122.hgt", "zz");
  std::string windowsStyle = folder.folder() + "TILES\\N45W122.HGT";
  ScopedFile file(windowsStyle, FileOpenMode::ReadOnly);
  EXPECT_EQ(fileLength(file.handle()), 2);
  EXPECT_EQ(filePath(file.handle()), folder.folder() + "Tiles/n45w122.hgt");
}

TEST_F(FileLayerTest, HandlesAreReusedLowestFirstAndClosingOneLeavesOthersValid) {
  const std::string a = write("a.bin", "A");
  const std::string b = write("b.bin", "B");
  const std::size_t before = openFileCount();
  const Integer first = openFile(a, FileOpenMode::ReadOnly);
  const Integer second = openFile(b, FileOpenMode::ReadOnly);
  EXPECT_NE(first, second);
  closeFile(first);
  char byte = 0;
  readFileAt(second, 1, &byte, 1);
  EXPECT_EQ(byte, 'B');
  const Integer third = openFile(a, FileOpenMode::ReadOnly);
  EXPECT_EQ(third, first);
  closeFile(third);
  closeFile(second);
  EXPECT_EQ(openFileCount(), before);
}

TEST_F(FileLayerTest, ReadWriteFallsBackToReadOnlyAndCreateMakesTheFile) {
  const std::string path = write("locked.bin", "L");
  chmod(path.c_str(), 0444);
  if (geteuid() != 0) {  // root may write anything, so the fallback is only seen as a user
    ScopedFile file(path, FileOpenMode::ReadWrite);
    EXPECT_FALSE(isWritableFile(file.handle()));
  }
  const std::string created = folder.folder() + "new.bin";
  {
    ScopedFile file(created, FileOpenMode::ReadWriteCreate);
    EXPECT_TRUE(isWritableFile(file.handle()));
    EXPECT_EQ(fileLength(file.handle()), 0);
  }
  EXPECT_TRUE(std::filesystem::exists(created));
}

}  // namespace
}  // namespace tg
