// Starting the coordinate-system library: its data folder and the missing-folder box.
#include "source/coordinate_library.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "source/scripted_user_interface.hpp"
#include "support/profile_file.hpp"
#include "support/test_environment.hpp"

namespace tg {
namespace {

namespace fs = std::filesystem;

class RecordingLibrary : public CoordinateSystemLibrary {
 public:
  Long level = 1;
  std::vector<std::string> directories;

  Integer convert(std::string_view, std::string_view, Double*) override { return 0; }
  bool isValid(std::string_view) override { return true; }
  void setDataDirectory(const std::string& folder) override { directories.push_back(folder); }
  Long messageLevel() override { return level; }
  void setMessageLevel(Long value) override { level = value; }
};

class CoordinateLibraryStartTest : public ::testing::Test {
 protected:
  void configure(const std::string& path) {
    writeProfileString("CONFIG", "COORDSYS DATA PATH", path, coordinateSettingsFile());
  }

  test::TemporaryHome home;
  RecordingLibrary library;
  test::ScriptedUserInterface ui;
};

// A folder asked for (configured or given) that is missing is reported; the default one is not.
TEST_F(CoordinateLibraryStartTest, AMissingFolderIsReportedWhenItWasAskedFor) {
  EXPECT_EQ(coordinateSettingsFile(), home.base() + "Tessaglyph.ini");
  EXPECT_EQ(startCoordinateLibrary(library), std::nullopt);
  EXPECT_TRUE(ui.boxes.empty());
  const std::string missing = home.root() + "nowhere/dictionaries";
  configure(missing);
  EXPECT_EQ(startCoordinateLibrary(library), std::nullopt);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].title, "Missing Coordinate System Data");
  EXPECT_EQ(ui.boxes[0].prompt, "Coordinate System Data not found in \r\n" + missing +
                                    "\r\n\r\nThis function cannot continue.  Please call "
                                    "Harrowfeld for assistance.");
  EXPECT_EQ(ui.boxes[0].style, MB_OKONLY | MB_INFORMATION);
  EXPECT_TRUE(library.directories.empty());
}

TEST_F(CoordinateLibraryStartTest, AnExistingFolderBecomesTheDataDirectory) {
  // The default folder, found without regard to case.
  fs::create_directories(home.base() + "coordsys data");
  EXPECT_EQ(startCoordinateLibrary(library), home.base() + "coordsys data");
  // A configured folder, relative to the base directory, with the other separator.
  fs::create_directories(home.base() + "csmap/dict");
  configure("csmap\\dict");
  EXPECT_EQ(startCoordinateLibrary(library), home.base() + "csmap/dict");
  // The caller's folder before either.
  fs::create_directories(home.root() + "given");
  EXPECT_EQ(startCoordinateLibrary(library, home.root() + "given"), home.root() + "given");
  EXPECT_EQ(library.directories,
            (std::vector<std::string>{home.base() + "coordsys data", home.base() + "csmap/dict",
                                      home.root() + "given"}));
  EXPECT_TRUE(ui.boxes.empty());

  // A folder the caller names that does not exist is reported like a configured one.
  EXPECT_EQ(startCoordinateLibrary(library, home.root() + "not here"), std::nullopt);
  EXPECT_EQ(ui.boxes.size(), 1u);
}

}  // namespace
}  // namespace tg
