// Installing a package: copies, registrations, conflicts and refusals, and the uninstall log.
#include <gtest/gtest.h>

#include "package_test_support.hpp"
#include "support/date_text.hpp"
#include "tessaglyph/package.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

using test::treeOf;
using Strings = std::vector<std::string>;

// Records every event as a line; answers with the queued renames and `continueAnswer`.
struct InstallRecorder : TessaglyphQPKEvents {
  void installError(Long n, const std::string& source, const std::string& text,
                    Boolean& go) override {
    add("error " + std::to_string(n) + " " + source + " " + text, go);
  }
  void missingSource(const std::string& file, const std::string& to, Boolean& go) override {
    add("missing " + file + " -> " + to, go);
  }
  void nameConflict(const std::string& file, const std::string& name, const std::string& suggestion,
                    std::string& renameAs, Boolean& go) override {
    add("conflict " + file + " " + name + " suggest " + suggestion, go);
    if (!renames.empty()) renameAs = renames.front(), renames.erase(renames.begin());
  }
  void progressChange(Integer percent) override { progress.push_back(percent); }
  void phaseChange(const std::string& phase) override { events.push_back(phase); }
  void add(const std::string& event, Boolean& go) { events.push_back(event), go = continueAnswer; }
  long count(const std::string& e) const { return std::count(events.begin(), events.end(), e); }

  Strings events, renames;
  std::vector<int> progress;
  bool continueAnswer = true;
};

// A provider's folder with a script, two tiles and a read-me, and a base directory to install into.
struct PackageSite {
  test::TemporaryHome home;
  test::MemoryPackageIndex index{home.base()};
  std::string shipped = home.root() + "shipped/", base = home.base();
  std::string alps = base + "Tessaglyph/Source Data/Alps/";
  std::string day = dayStamp(std::chrono::system_clock::now());
  InstallRecorder events;

  PackageSite() {
    for (const auto& [file, text] : {std::pair{"srtm.tgp", "script"},
                                     {"N45E007.hgt", "tile 1"},
                                     {"N46E007.hgt", "tile 2"},
                                     {"readme.txt", "read me"}})
      test::writeTextFile(shipped + file, text);
    std::filesystem::create_directories(base + "Tessaglyph");
    std::filesystem::create_directories(base + "QPK Uninstall");
  }
  // The read-me alone, to the given destination.
  TessaglyphQPK readme(const std::string& destination) {
    TessaglyphQPK qpk;
    qpk.setEventSink(&events);
    qpk.addCopyFile(shipped + "readme.txt", destination);
    return qpk;
  }
  TessaglyphQPK package() {
    TessaglyphQPK qpk = readme("%HF_ORBDIR/Docs/Alps/readme.txt");
    qpk.setUid("ALPS");
    qpk.addScript(shipped + "srtm.tgp", "SRTM");
    qpk.setScriptsDestination("%HF_SCRIPTSDIR");
    qpk.addSource(shipped + "N45E007.hgt", "srtm");
    qpk.addSource(shipped + "N46E007.hgt", "SRTM");
    qpk.setSourceDestination("%HF_SOURCEDIR/Alps");
    return qpk;
  }
};

TEST(PackageInstall, InstallThenUninstallLeavesNothingBehind) {
  PackageSite site;
  site.index.scripts.push_back("Other");
  const auto treeBefore = treeOf(site.base);
  TessaglyphQPK qpk = site.package();
  const auto log = qpk.install();
  EXPECT_EQ(test::readTextFile(site.alps + "N46E007.hgt"), "tile 2");
  EXPECT_EQ(site.index.scripts, (Strings{"Other", "SRTM"}));
  EXPECT_EQ(site.index.sources, (Strings{site.alps + "N45E007.hgt", site.alps + "N46E007.hgt"}));
  EXPECT_EQ(site.events.progress, (std::vector<int>{0, 25, 50, 75, 100}));
  EXPECT_EQ(site.events.events.back(), "Finished.");
  EXPECT_EQ(qpk.copyFileDestination(0), site.base + "/Docs/Alps/readme.txt");
  // Folders one level at a time, newest removed first; the log is on disk already.
  EXPECT_EQ(log->numCreatedDirs(), 5);
  EXPECT_EQ(log->createdDir(0), toUpper(site.base + "Docs/"));
  TessaglyphQPKUninstall fromDisk;
  fromDisk.load(log->logFilename());
  fromDisk.uninstall();
  EXPECT_EQ(treeOf(site.base), treeBefore);
  EXPECT_EQ(site.index.scripts, Strings{"Other"});
  EXPECT_TRUE(site.index.sources.empty());
}

TEST(PackageInstall, UnnamedPackageGetsADescriptionAndARandomUid) {
  PackageSite site;
  TessaglyphQPK qpk = site.readme("%HF_ORBDIR/readme.txt");
  const auto log = qpk.install();
  EXPECT_EQ(log->installDescription(), "Unknown QPK");
  EXPECT_EQ(log->installUID().size(), 25u);
  qpk.setFilename(site.shipped + "alps.qpk");
  qpk.setQpkDate("2024-01-02 03:04:05");
  qpk.setOverwriteExisting(true);
  const auto second = qpk.install();
  EXPECT_EQ(second->installDescription(), site.shipped + "alps.qpk");
  EXPECT_EQ(second->qpkDate(), *parseDateText("2024-01-02 03:04:05"));
}

// An existing destination is skipped, renamed while the answer is blank or taken, or overwritten.
TEST(PackageInstall, ExistingDestinationsAreSkippedOrRenamed) {
  PackageSite site;
  test::writeTextFile(site.base + "readme.txt", "the user's own");
  TessaglyphQPK qpk = site.readme("%HF_ORBDIR/readme.txt");
  EXPECT_EQ(qpk.install()->numUninstallCommands(), 0);
  EXPECT_EQ(test::readTextFile(site.base + "readme.txt"), "the user's own");
  qpk.setIgnoreExistingCopyFiles(false);
  site.events.renames = {"", site.base + "readme.txt", site.base + "mine.txt"};
  const auto log = qpk.install();
  EXPECT_EQ(site.events.count("conflict " + site.shipped + "readme.txt " + site.base +
                              "/readme.txt suggest " + site.base + "/readme " + site.day + ".txt"),
            3);
  EXPECT_EQ(log->copiedFile(0), site.base + "mine.txt");
  qpk.setOverwriteExisting(true);
  qpk.install();
  EXPECT_EQ(test::readTextFile(site.base + "readme.txt"), "read me");
}

TEST(PackageInstall, StoppingAtAMissingSourceKeepsTheLogOfWhatWasDone) {
  PackageSite site;
  TessaglyphQPK qpk = site.package();
  qpk.addCopyFile(site.shipped + "gone.txt", "%HF_ORBDIR/gone.txt");
  site.events.continueAnswer = false;
  const auto log = qpk.install();
  EXPECT_EQ(site.events.count("missing " + site.shipped + "gone.txt -> " + site.base + "/gone.txt"),
            1);
  EXPECT_TRUE(site.index.scripts.empty());
  TessaglyphQPKUninstall saved;
  saved.load(log->logFilename());
  EXPECT_EQ(saved.logText(), log->logText());
  EXPECT_EQ(saved.numCopiedFiles(), 1);
}

TEST(PackageInstall, NothingIsInstalledWithoutAPlaceForTheLog) {
  PackageSite site;
  const auto treeBefore = treeOf(site.base);
  site.index.refuseLogs = true;
  TessaglyphQPK qpk = site.package();
  EXPECT_EQ(qpk.install()->numUninstallCommands(), 0);
  EXPECT_EQ(site.events.events.back(),
            "error 75 Tessaglyph::getUninstallLogName Path/File access error");
  EXPECT_EQ(treeOf(site.base), treeBefore);
  qpk.setCreateUninstallLog(false);  // a client that keeps the log itself
  EXPECT_EQ(qpk.install()->numUninstallCommands(), 12);
}

// A source that cannot be indexed is reported, copied and logged as a file, not as a source;
// script name conflicts suggest the day and register the sources under the new name.
TEST(PackageInstall, UnindexableSourcesAndScriptNameConflicts) {
  PackageSite site;
  site.index.unusable.insert(site.alps + "N45E007.hgt");
  site.index.scripts = {"SRTM", "SRTM (" + site.day + ")"};
  TessaglyphQPK qpk = site.package();
  qpk.setIgnoreExistingScripts(false);
  site.events.renames = {"SRTM", ""};  // refused: taken, then blank; the suggestion is kept
  const auto log = qpk.install();
  EXPECT_EQ(site.events.count("error 60000 TessaglyphQPK::install The source file " + site.alps +
                              "N45E007.hgt could not be indexed"),
            1);
  EXPECT_EQ(site.events.count("conflict " + site.base + "Tessaglyph/Scripts/srtm.tgp SRTM " +
                              "suggest SRTM (" + site.day + "-1)"),
            3);
  EXPECT_EQ(site.index.scripts,
            (Strings{"SRTM", "SRTM (" + site.day + ")", "SRTM (" + site.day + "-1)"}));
  EXPECT_EQ(site.index.sources, Strings{site.alps + "N46E007.hgt"});
  EXPECT_EQ(site.index.sourceScripts, Strings{"SRTM (" + site.day + "-1)"});
  EXPECT_EQ(log->numIndexedSources(), 1);
  EXPECT_EQ(log->numCopiedFiles(), 4);
}

TEST(PackageInstall, DestinationsOutsideThePackageFoldersAreRefused) {
  PackageSite site;
  for (const std::string& to : {std::string("%HF_SOURCEDIR/../../../outside.txt"),
                                site.home.root() + "outside.txt", std::string("relative.txt")}) {
    SCOPED_TRACE(to);
    TessaglyphQPK qpk = site.readme(to);
    EXPECT_EQ(qpk.install()->numUninstallCommands(), 0);
    EXPECT_EQ(site.events.count("error 60000 TessaglyphQPK::install Destination outside the "
                                "allowed folders: " +
                                qpk.copyFileDestination(0)),
              1);
  }
  EXPECT_FALSE(std::filesystem::exists(site.home.root() + "outside.txt"));
  EXPECT_FALSE(std::filesystem::remove("relative.txt"));  // in the working folder
}

}  // namespace
}  // namespace tg
