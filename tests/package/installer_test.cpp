#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "package_test_support.hpp"
#include "support/date_text.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/package.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

using test::MemoryPackageIndex;
using test::treeOf;
using test::writeTextFile;

// Records every event; answers with the queued decisions, then with the defaults.
struct InstallRecorder : TessaglyphQPKEvents {
  void installError(Long num, const std::string& source, const std::string& description,
                    Boolean& continue_) override {
    events.push_back("error " + std::to_string(num) + " " + source + " " + description);
    continue_ = continueAnswer;
  }
  void missingSource(const std::string& file, const std::string& destination,
                     Boolean& continue_) override {
    events.push_back("missing " + file + " -> " + destination);
    continue_ = continueAnswer;
  }
  void nameConflict(const std::string& file, const std::string& name, const std::string& suggestion,
                    std::string& renameAs, Boolean& continue_) override {
    events.push_back("conflict " + file + " " + name + " suggest " + suggestion);
    if (!renames.empty()) {
      renameAs = renames.front();
      renames.erase(renames.begin());
    }
    continue_ = continueAnswer;
  }
  void progressChange(Integer percent) override { progress.push_back(percent); }
  void phaseChange(const std::string& phase) override { events.push_back(phase); }

  bool saw(const std::string& event) const {
    return std::find(events.begin(), events.end(), event) != events.end();
  }
  std::vector<std::string> events;
  std::vector<int> progress;
  std::vector<std::string> renames;
  bool continueAnswer = true;
};

// A provider's folder with a script and two tiles, and a base directory to install into.
struct PackageSite {
  test::TemporaryHome home;
  MemoryPackageIndex index{home.base()};
  std::string shipped = home.root() + "shipped/";
  InstallRecorder events;

  PackageSite() {
    writeTextFile(shipped + "srtm.tgp", "script");
    writeTextFile(shipped + "N45E007.hgt", "tile 1");
    writeTextFile(shipped + "N46E007.hgt", "tile 2");
    writeTextFile(shipped + "readme.txt", "read me");
    std::filesystem::create_directories(home.base() + "Tessaglyph");
    std::filesystem::create_directories(home.base() + "QPK Uninstall");
  }

  TessaglyphQPK package() {
    TessaglyphQPK qpk;
    qpk.setUid("ALPS");
    qpk.addCopyFile(shipped + "readme.txt", "%HF_ORBDIR/Docs/Alps/readme.txt");
    qpk.addScript(shipped + "srtm.tgp", "SRTM");
    qpk.setScriptsDestination("%HF_SCRIPTSDIR");
    qpk.addSource(shipped + "N45E007.hgt", "srtm");
    qpk.addSource(shipped + "N46E007.hgt", "SRTM");
    qpk.setSourceDestination("%HF_SOURCEDIR/Alps");
    qpk.setEventSink(&events);
    return qpk;
  }
  std::string base() const { return home.base(); }
};

TEST(PackageInstall, InstallThenUninstallLeavesNothingBehind) {
  PackageSite site;
  site.index.scripts.push_back("Other");
  const auto treeBefore = treeOf(site.base());
  const auto scriptsBefore = site.index.scripts;

  TessaglyphQPK qpk = site.package();
  const auto log = qpk.install();
  const std::string scripts = site.base() + "Tessaglyph/Scripts/";
  const std::string alps = site.base() + "Tessaglyph/Source Data/Alps/";
  EXPECT_EQ(test::readTextFile(alps + "N46E007.hgt"), "tile 2");
  EXPECT_EQ(site.index.scripts, (std::vector<std::string>{"Other", "SRTM"}));
  EXPECT_EQ(site.index.sources,
            (std::vector<std::string>{alps + "N45E007.hgt", alps + "N46E007.hgt"}));
  EXPECT_EQ(site.events.progress, (std::vector<int>{0, 25, 50, 75, 100}));
  EXPECT_EQ(site.events.events.front(), "Preparing to install...");
  EXPECT_EQ(site.events.events.back(), "Finished.");
  EXPECT_EQ(qpk.copyFileDestination(0), site.base() + "/Docs/Alps/readme.txt");
  // Folders one level at a time, newest removed first; the log is on disk already.
  EXPECT_EQ(log->numCreatedDirs(), 5);
  EXPECT_EQ(log->createdDir(0), toUpper(site.base() + "Docs/"));
  EXPECT_TRUE(std::filesystem::exists(log->logFilename()));

  TessaglyphQPKUninstall fromDisk;
  fromDisk.load(log->logFilename());
  fromDisk.uninstall();
  EXPECT_EQ(treeOf(site.base()), treeBefore);
  EXPECT_EQ(site.index.scripts, scriptsBefore);
  EXPECT_TRUE(site.index.sources.empty());
}

TEST(PackageInstall, UnnamedPackageGetsADescriptionAndARandomUid) {
  PackageSite site;
  TessaglyphQPK qpk;
  qpk.addCopyFile(site.shipped + "readme.txt", "%HF_ORBDIR/readme.txt");
  const auto log = qpk.install();
  EXPECT_EQ(log->installDescription(), "Unknown QPK");
  EXPECT_EQ(log->installUID().size(), 25u);
  EXPECT_EQ(log->installUID().find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"),
            std::string::npos);
  qpk.setFilename(site.shipped + "alps.qpk");
  qpk.setQpkDate("2024-01-02 03:04:05");
  qpk.setOverwriteExisting(true);
  const auto second = qpk.install();
  EXPECT_EQ(second->installDescription(), site.shipped + "alps.qpk");
  EXPECT_EQ(second->qpkDate(), *parseDateText("2024-01-02 03:04:05"));
}

TEST(PackageInstall, ExistingDestinationsAreSkippedOrRenamed) {
  PackageSite site;
  writeTextFile(site.base() + "readme.txt", "the user's own");
  TessaglyphQPK qpk;
  qpk.setEventSink(&site.events);
  qpk.addCopyFile(site.shipped + "readme.txt", "%HF_ORBDIR/readme.txt");
  EXPECT_EQ(qpk.install()->numUninstallCommands(), 0);
  EXPECT_EQ(test::readTextFile(site.base() + "readme.txt"), "the user's own");
  EXPECT_EQ(site.events.events.back(), "Finished.");

  qpk.setIgnoreExistingCopyFiles(false);
  site.events.renames = {"", site.base() + "readme.txt", site.base() + "mine.txt"};
  const auto log = qpk.install();
  const std::string suggestion =
      site.base() + "/readme " + dayStamp(std::chrono::system_clock::now()) + ".txt";
  const std::string conflict = "conflict " + site.shipped + "readme.txt " + site.base() +
                               "/readme.txt suggest " + suggestion;
  EXPECT_EQ(std::count(site.events.events.begin(), site.events.events.end(), conflict), 3);
  EXPECT_EQ(test::readTextFile(site.base() + "mine.txt"), "read me");
  EXPECT_EQ(log->copiedFile(0), site.base() + "mine.txt");
}

TEST(PackageInstall, StoppingAtAMissingSourceKeepsTheLogOfWhatWasDone) {
  PackageSite site;
  TessaglyphQPK qpk = site.package();
  qpk.addCopyFile(site.shipped + "gone.txt", "%HF_ORBDIR/gone.txt");
  site.events.continueAnswer = false;
  const auto log = qpk.install();
  EXPECT_TRUE(
      site.events.saw("missing " + site.shipped + "gone.txt -> " + site.base() + "/gone.txt"));
  EXPECT_NE(site.events.events.back(), "Finished.");
  EXPECT_TRUE(site.index.scripts.empty());
  EXPECT_EQ(log->numCopiedFiles(), 1);
  TessaglyphQPKUninstall saved;
  saved.load(log->logFilename());
  EXPECT_EQ(saved.logText(), log->logText());
}

TEST(PackageInstall, NothingIsInstalledWithoutAPlaceForTheLog) {
  PackageSite site;
  const auto treeBefore = treeOf(site.base());
  site.index.refuseLogs = true;
  TessaglyphQPK qpk = site.package();
  const auto log = qpk.install();
  EXPECT_EQ(site.events.events,
            (std::vector<std::string>{
                "Preparing to install...",
                "error 75 Tessaglyph::getUninstallLogName Path/File access error"}));
  EXPECT_EQ(treeOf(site.base()), treeBefore);
  EXPECT_EQ(log->numUninstallCommands(), 0);
  qpk.setCreateUninstallLog(false);  // a client that keeps the log itself
  EXPECT_EQ(qpk.install()->numUninstallCommands(), 12);
}

TEST(PackageInstall, ASourceThatCannotBeIndexedIsReportedAndNotLogged) {
  PackageSite site;
  const std::string alps = site.base() + "Tessaglyph/Source Data/Alps/";
  site.index.unusable.insert(alps + "N45E007.hgt");
  TessaglyphQPK qpk = site.package();
  const auto log = qpk.install();
  EXPECT_TRUE(site.events.saw("error 60000 TessaglyphQPK::install The source file " + alps +
                              "N45E007.hgt could not be indexed"));
  EXPECT_EQ(site.events.events.back(), "Finished.");
  EXPECT_EQ(log->numIndexedSources(), 1);
  EXPECT_EQ(log->indexedSource(0), alps + "N46E007.hgt");
  EXPECT_EQ(log->numCopiedFiles(), 4);  // the file itself was copied, and is logged
}

TEST(PackageInstall, ScriptNameConflictsSuggestTheDay) {
  PackageSite site;
  const std::string day = dayStamp(std::chrono::system_clock::now());
  site.index.scripts = {"SRTM", "SRTM (" + day + ")"};
  TessaglyphQPK qpk = site.package();
  qpk.setIgnoreExistingScripts(false);
  site.events.renames = {"SRTM", ""};  // refused: taken, then blank; the suggestion is kept
  qpk.install();
  const std::string conflict = "conflict " + site.base() + "Tessaglyph/Scripts/srtm.tgp SRTM " +
                               "suggest SRTM (" + day + "-1)";
  EXPECT_EQ(std::count(site.events.events.begin(), site.events.events.end(), conflict), 3);
  ASSERT_EQ(site.index.scripts.size(), 3u);
  EXPECT_EQ(site.index.scripts.back(), "SRTM (" + day + "-1)");
  EXPECT_EQ(site.index.sources.size(), 2u);  // both sources registered under the new name
}

TEST(PackageInstall, DestinationsOutsideThePackageFoldersAreRefused) {
  PackageSite site;
  const std::vector<std::string> destinations = {"%HF_SOURCEDIR/../../../outside.txt",
                                                 site.home.root() + "outside.txt", "relative.txt"};
  for (const std::string& destination : destinations) {
    TessaglyphQPK qpk;
    qpk.setEventSink(&site.events);
    qpk.addCopyFile(site.shipped + "readme.txt", destination);
    site.events.events.clear();
    const auto log = qpk.install();
    EXPECT_EQ(log->numUninstallCommands(), 0) << destination;
    ASSERT_GE(site.events.events.size(), 3u);
    EXPECT_EQ(site.events.events[2],
              "error 60000 TessaglyphQPK::install Destination outside the allowed folders: " +
                  qpk.copyFileDestination(0));
  }
  EXPECT_FALSE(std::filesystem::exists(site.home.root() + "outside.txt"));
}

}  // namespace
}  // namespace tg
