// Removable media: the disk-swap message, and the files that need no asking.
#include "source/removable_media.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/test_environment.hpp"

namespace tg {
namespace {

const std::string kMessageWithoutDescription =
    "\r\n\r\nThe file \"/mnt/cd/DEM.DAT,\" which is needed to continue, is located on a disk or "
    "drive that is not currently available.\r\n\r\nPlease insert the disk or connect the drive "
    "that contains this file, and click the \"Retry\" button below once you are ready to "
    "continue.\r\n\r\nIf you want to discontinue attempts to use the data in this file, click "
    "\"Cancel.\"";

TEST(DiskSwapMessage, NamesTheDiskOnlyWhenTheIndexDescribesIt) {
  EXPECT_EQ(diskSwapMessage("/mnt/cd/DEM.DAT", ""), kMessageWithoutDescription);
  EXPECT_EQ(diskSwapMessage("/mnt/cd/DEM.DAT", "Survey CD 3"),
            "Please insert the disk indexed as:\r\nSurvey CD 3\r\n" + kMessageWithoutDescription);
}

TEST(SwapMediumTest, ReachableFilesAskNothingAndOddPathsAreNotRemovable) {
  test::TemporaryFolder folder;
  const std::string there = folder.folder() + "data/DEM.DAT";
  std::filesystem::create_directories(folder.path() / "data");
  std::ofstream(there) << "x";
  std::vector<std::string> declined;
  SwapRequest r{.filename = there,
                .RMDescID = "CD3",
                .handle = TG_F_RMH_EVENTONLY,
                .declined = &declined,
                .descriptions = nullptr,
                .raiseSwapEvent = [](const std::string& name) {
                  ADD_FAILURE() << "asked for " << name;
                  return true;
                }};
  EXPECT_TRUE(swapMedium(r));
  r.filename = folder.folder() + "DATA/dem.dat";  // names are found without regard to case
  EXPECT_TRUE(swapMedium(r));
  for (const std::string& path : {there, folder.folder() + "missing/b.dat", std::string()})
    EXPECT_FALSE(isOnRemovableMedia(path)) << path;
  EXPECT_FALSE(fileIsReachable(""));
  EXPECT_FALSE(fileIsReachable(folder.folder()));  // a folder is not a data file
}

}  // namespace
}  // namespace tg
