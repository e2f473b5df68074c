// Removable media: the disk-swap message, asking by event or dialog, and the media given up.
#include "source/removable_media.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "source/scripted_user_interface.hpp"
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

class Descriptions : public MediumDescriptions {
 public:
  std::map<std::string, std::string> entries;
  std::string mediumDescription(const std::string& id) const override {
    const auto it = entries.find(id);
    return it == entries.end() ? std::string() : it->second;
  }
};

class SwapMediumTest : public ::testing::Test {
 protected:
  test::TemporaryFolder folder;
  test::ScriptedUserInterface ui;
  std::vector<std::string> declined;
  Descriptions descriptions;

  std::string missing() const { return folder.folder() + "data/DEM.DAT"; }
  void bringBack() const {
    std::filesystem::create_directories(folder.path() / "data");
    std::ofstream(missing()) << "x";
  }
  SwapRequest request(TG_F_RMHANDLE handle) {
    return {.filename = missing(),
            .RMDescID = "CD3",
            .handle = handle,
            .declined = &declined,
            .descriptions = &descriptions,
            .raiseSwapEvent = {}};
  }
};

TEST_F(SwapMediumTest, EventAsksUntilTheFileIsBackOrCancelled) {
  SwapRequest r = request(TG_F_RMH_EVENTONLY);
  std::vector<std::string> asked;
  bool cancel = false;
  r.raiseSwapEvent = [&](const std::string& name) {
    asked.push_back(name);
    if (asked.size() == 2 && !cancel) bringBack();
    return cancel;
  };
  EXPECT_TRUE(swapMedium(r));
  EXPECT_EQ(asked, std::vector<std::string>(2, missing()));
  EXPECT_TRUE(declined.empty());
  std::filesystem::remove(missing());
  cancel = true;
  EXPECT_FALSE(swapMedium(r));
  EXPECT_EQ(declined, std::vector<std::string>{"CD3"});
  // A medium given up once is not asked for again, whoever asks (names compare without case).
  r.RMDescID = " cd3 ";
  EXPECT_FALSE(swapMedium(r));
  EXPECT_EQ(asked.size(), 3u);
  EXPECT_EQ(declined.size(), 1u);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(SwapMediumTest, DialogRetriesAndCancels) {
  descriptions.entries["CD3"] = "Survey CD 3";
  ui.answers = {MBR_RETRY, MBR_RETRY};
  ui.onMessageBox = [&] {
    if (ui.boxes.size() == 2) bringBack();
  };
  EXPECT_TRUE(swapMedium(request(TG_F_RMH_DIALOG)));
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].title, "Disk Swap");
  EXPECT_EQ(ui.boxes[0].style, MB_RETRYCANCEL | MB_EXCLAMATION);
  EXPECT_EQ(ui.boxes[0].prompt, diskSwapMessage(missing(), "Survey CD 3"));

  std::filesystem::remove(missing());
  ui.onMessageBox = nullptr;
  ui.answers = {MBR_CANCEL};
  EXPECT_FALSE(swapMedium(request(TG_F_RMH_DIALOG)));
  EXPECT_EQ(declined, std::vector<std::string>{"CD3"});
  EXPECT_EQ(ui.boxes.size(), 3u);
}

TEST_F(SwapMediumTest, ReachableFilesAskNothingAndOddPathsAreNotRemovable) {
  bringBack();
  SwapRequest r = request(TG_F_RMH_EVENTONLY);
  r.raiseSwapEvent = [](const std::string& name) {
    ADD_FAILURE() << "asked for " << name;
    return true;
  };
  EXPECT_TRUE(swapMedium(r));
  r.filename = folder.folder() + "DATA/dem.dat";  // names are found without regard to case
  EXPECT_TRUE(swapMedium(r));
  for (const std::string& path : {missing(), folder.folder() + "missing/b.dat", std::string()})
    EXPECT_FALSE(isOnRemovableMedia(path)) << path;
  EXPECT_FALSE(fileIsReachable(""));
  EXPECT_FALSE(fileIsReachable(folder.folder()));  // a folder is not a data file
}

}  // namespace
}  // namespace tg
