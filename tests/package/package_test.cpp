#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
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
using test::writeTextFile;

// A package with every field set, as a provider would ship it.
TessaglyphQPK fullPackage() {
  TessaglyphQPK qpk;
  qpk.setInstallerTitle("Tiles");
  qpk.setInstallDescription("Alpine tiles");
  qpk.setProvider("Maker");
  qpk.setQpkDate("2024-05-01 10:00:00");
  qpk.setUid("ALP1");
  qpk.setScriptProvider("Scripts Inc");
  qpk.setScriptProviderURL("http://example.invalid/");
  qpk.setBeforeFile("licence.txt");
  qpk.setForceConditionAccept(true);
  qpk.setUninstallNewerSuggestion("newer");
  qpk.setAllowRMInstall(true);
  qpk.setRmInstall(true);
  qpk.addCopyFile("readme.txt", "%HF_ORBDIR/Tiles/readme.txt");
  qpk.addScript("srtm.tgp", "SRTM");
  qpk.setScriptsDestination("%HF_SCRIPTSDIR");
  qpk.setScriptCategory("Elevation");
  qpk.addSource("n45.hgt", "SRTM");
  qpk.setSourceDestination("%HF_SOURCEDIR/Alps");
  return qpk;
}

// The flags of a new package, in the order of the members below: only the safe ones are set.
TEST(Package, DefaultsOfANewPackage) {
  const TessaglyphQPK q;
  std::string flags;
  for (const bool flag :
       {q.forceSilentInstall(), q.userConfigurableInstall(), q.overwriteExisting(),
        q.createUninstallLog(), q.uninstallNonEmptyDirError(), q.uninstallNonExistingItemError(),
        q.allowRename(), q.forceConditionAccept(), q.allowRMInstall(), q.ignoreExistingCopyFiles(),
        q.ignoreExistingScripts(), q.useValid(), q.ignoreExistingSources(), q.rmInstall()})
    flags += flag ? '1' : '0';
  EXPECT_EQ(flags, "01010010011110");
}

TEST(Package, ListMembersRefuseBlankValuesAndBadIndexes) {
  TessaglyphQPK qpk;
  qpk.addCopyFile("a", "b");
  qpk.addScript("s.tgp", "S");
  qpk.addSource("x.hgt", "S");
  struct Row {
    std::function<void()> action;
    std::string description, source;
  };
  const std::string blank = "Cannot specify a blank ", bounds = "Index out of bounds";
  const std::vector<Row> rows = {
      {[&] { qpk.addCopyFile(" ", "b"); }, blank + "copy-file source", "addCopyFile"},
      {[&] { qpk.addCopyFile("a", ""); }, blank + "copy-file destination", "addCopyFile"},
      {[&] { qpk.addScript("", "S"); }, blank + "script filename", "addScript"},
      {[&] { qpk.addScript("s", " "); }, blank + "script index name", "addScript"},
      {[&] { qpk.addSource("", "S"); }, blank + "source filename", "addSource"},
      {[&] { qpk.addSource("x", ""); }, blank + "source script name", "addSource"},
      {[&] { qpk.setCopyFileSource(0, ""); }, blank + "copy-file source", "copyFileSource Let"},
      {[&] { qpk.setCopyFileDestination(0, ""); }, blank + "copy-file destination",
       "copyFileDestination Let"},
      {[&] { qpk.setScriptFilename(0, ""); }, blank + "script filename", "scriptFilename Let"},
      {[&] { qpk.setScriptIndexName(0, ""); }, blank + "script index name", "scriptIndexName Let"},
      {[&] { qpk.setSourceFilename(0, ""); }, blank + "source filename", "sourceFilename Let"},
      {[&] { qpk.setSourceScriptName(0, ""); }, blank + "source script name",
       "sourceScriptName Let"},
      {[&] { qpk.removeCopyFile(1); }, bounds, "removeCopyFile"},
      {[&] { qpk.removeScript(-1); }, bounds, "removeScript"},
      {[&] { qpk.removeSource(1); }, bounds, "removeSource"},
      {[&] { qpk.copyFileSource(1); }, bounds, "copyFileSource Get"},
      {[&] { qpk.sourceScriptName(-1); }, bounds, "sourceScriptName Get"},
      {[&] { qpk.qpkError(0); }, bounds, "qpkError Get"}};
  for (const Row& row : rows) {
    EXPECT_TRUE(test::raises(row.action, 60000, row.description, "TessaglyphQPK::" + row.source))
        << row.description << " " << row.source;
  }
  EXPECT_EQ(qpk.numCopyFiles() + qpk.numScripts() + qpk.numSources(), 3);
}

TEST(Package, UidMustBeAFileNamePart) {
  for (const std::string& uid : {std::string(), std::string("ABC123"), std::string("Maker Tiles 2"),
                                 std::string(200, 'A')}) {
    TessaglyphQPK qpk;
    qpk.setUid(uid);
    EXPECT_EQ(qpk.uid(), uid);
  }
  const std::string tooLong(201, 'A');
  for (const char* uid : {"a/b", "a\\b", "a:b", "a*", "?", "\"q\"", "<x>", "a|b", "..", ".",
                          "tab\tx", tooLong.c_str()})
    EXPECT_TRUE(test::raises([&] { TessaglyphQPK().setUid(uid); }, 60001, "Invalid UID",
                             "TessaglyphQPK::uid Let"))
        << uid;
}

TEST(Package, ListsAreFoundByExpandedPathsAndNames) {
  test::TemporaryHome home;
  MemoryPackageIndex index(home.base());
  TessaglyphQPK qpk;
  writeTextFile(home.root() + "have/a.tgp", "x");
  qpk.addCopyFile(home.root() + "missing.txt", "%HF_ORBDIR/x/readme.txt");
  qpk.addCopyFile(home.root() + "have/a.tgp", "%HF_SOURCEDIR/a.tgp");
  qpk.addScript(home.root() + "HAVE/A.TGP", "Alpha");
  qpk.addSource("n1.hgt", " alpha ");
  qpk.addSource("n2.hgt", "Beta");
  qpk.addSource("n3.hgt", "ALPHA");
  EXPECT_EQ(qpk.expandPathname("%HF_SOURCEDIR/a.tgp|%HF_ORBDIR"),
            home.base() + "Tessaglyph/Source Data/a.tgp|" + home.base());
  EXPECT_EQ(qpk.expandPathname("%hf_orbdir"), "%hf_orbdir");  // the variables are exact text
  EXPECT_EQ(qpk.findCopyFileByDestination(toUpper(home.base()) + "/X/README.TXT"), 0);
  EXPECT_EQ(qpk.findCopyFileBySource(home.root() + "have/A.tgp"), 1);
  EXPECT_EQ(qpk.findScriptByIndexName("alpha"), 0);
  EXPECT_EQ(qpk.findScriptBySource("nothing"), -1);
  EXPECT_EQ(qpk.findSourceByFilename("N2.HGT"), 1);
  EXPECT_EQ(qpk.enumSourcesByScriptName("Alpha", -1), 0);
  EXPECT_EQ(qpk.enumSourcesByScriptName("Alpha", 0), 2);
  EXPECT_EQ(qpk.enumSourcesByScriptName("Alpha", 2), -1);
  EXPECT_EQ(qpk.enumInvalidCopyFileSources(), 0);
  EXPECT_EQ(qpk.enumInvalidCopyFileSources(0), -1);
  EXPECT_TRUE(qpk.validateScriptSource(0));  // found without regard to case
  EXPECT_EQ(qpk.enumInvalidScriptSources(), -1);
  EXPECT_EQ(qpk.enumInvalidSources(1), 2);
  qpk.removeSource(0);
  EXPECT_EQ(qpk.sourceFilename(0), "n2.hgt");
}

TEST(Package, WrittenFileListsEveryFieldInItsOrder) {
  test::TemporaryFolder folder;
  TessaglyphQPK qpk = fullPackage();
  qpk.writeQPK(folder.folder() + "alps.qpk");
  EXPECT_EQ(qpk.filename(), folder.folder() + "alps.qpk");
  EXPECT_EQ(test::readTextFile(folder.path() / "alps.qpk"),
            "[QPK]\ninstaller title=Tiles\ninstall description=Alpine tiles\nprovider=Maker\n"
            "date=2024-05-01 10:00:00\nuid=ALP1\nscript provider=Scripts Inc\n"
            "script provider url=http://example.invalid/\nbefore file=licence.txt\n"
            "force silent install=False\nuser configurable install=True\n"
            "overwrite existing=False\nallow rename=True\nforce condition accept=True\n"
            "allow rm install=True\nignore qpk errors=False\nuninstall newer suggestion=newer\n"
            "uninstall nonempty dir error=False\nuninstall nonexistent item error=False\n\n"
            "[Copy Files]\nignore existing=True\nreadme.txt=%HF_ORBDIR/Tiles/readme.txt\n\n"
            "[Scripts]\nignore existing=True\ncategory=Elevation\ndestination=%HF_SCRIPTSDIR\n"
            "use valid=True\nsrtm.tgp=SRTM\n\n"
            "[Source Files]\nignore existing=True\ndestination=%HF_SOURCEDIR/Alps\n"
            "rm install=True\nn45.hgt=SRTM\n");

  MemoryPackageIndex index(folder.folder());
  TessaglyphQPK read;
  EXPECT_TRUE(read.readQPK(folder.folder() + "alps.qpk"));
  EXPECT_EQ(read.numQPKErrors(), 0) << read.qpkError(0);
  EXPECT_EQ(read.qpkText(), qpk.qpkText());

  TessaglyphQPK bare;
  const std::string text = bare.qpkText();
  EXPECT_EQ(text.find("force condition accept="), std::string::npos);
  EXPECT_EQ(text.find("[Copy Files]"), std::string::npos);
  bare.addSource("x.hgt", "S");
  EXPECT_EQ(bare.qpkText().find("\nrm install="), std::string::npos);
}

TEST(Package, ReadingRecordsEachProblemWithItsLineAndGoesOn) {
  test::TemporaryHome home;
  MemoryPackageIndex index(home.base());
  writeTextFile(home.root() + "bad.qpk",
                "; a comment\r\nuid=early\r\n[QPK]\r\nuid=A/B\r\ncolour=blue\r\n"
                "Overwrite Existing=perhaps\r\n=no key\r\n[Extras]\r\nanything=goes\r\n"
                "[Scripts]\r\nabc\r\ns.tgp=\r\ngood.tgp = Good \r\n[Copy Files]\r\n"
                "a.txt=%HF_SOURCEDIR/../../../etc/a.txt\r\nb.txt=/tmp/b.txt\r\n"
                "c.txt=%HF_ORBDIR/c.txt\r\n");
  TessaglyphQPK qpk;
  EXPECT_TRUE(qpk.readQPK(home.root() + "bad.qpk"));
  std::vector<std::string> errors;
  for (Long i = 0; i < qpk.numQPKErrors(); ++i)
    errors.push_back(qpk.qpkError(i));
  EXPECT_EQ(
      errors,
      (std::vector<std::string>{
          "[Line 2] Line outside of a section: \"uid=early\"", "[Line 4] Invalid UID: A/B",
          "[Line 5] Unknown setting in section QPK: colour",
          "[Line 6] Invalid value for setting \"Overwrite Existing\": perhaps",
          "[Line 7] Cannot parse line \"=no key\"", "[Line 8] Cannot recognize section \"Extras\"",
          "[Line 11] Cannot parse line \"abc\"",
          "[Line 12] Cannot specify a blank script index name",
          "[Line 15] Destination outside the allowed folders: "
          "%HF_SOURCEDIR/../../../etc/a.txt",
          "[Line 16] Destination outside the allowed folders: /tmp/b.txt"}));
  EXPECT_EQ(qpk.numScripts(), 1);
  EXPECT_EQ(qpk.scriptIndexName(0), "Good");
  EXPECT_EQ(qpk.numCopyFiles(), 3);
  EXPECT_EQ(qpk.uid(), "");
  EXPECT_EQ(test::errorNumber([&] { qpk.readQPK(home.root() + "none.qpk"); }),
            PLATFORM_E_FILENOTFOUND);
}

TEST(Package, RandomUidsAreDigitsAndCapitals) {
  const std::string uid = TessaglyphQPK::createRandomUID(400);
  ASSERT_EQ(uid.size(), 400u);
  EXPECT_EQ(uid.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos);
  EXPECT_NE(uid.find_first_of("0123456789"), std::string::npos);
  EXPECT_NE(uid.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos);
  EXPECT_NE(TessaglyphQPK::createRandomUID(400), uid);
  EXPECT_EQ(TessaglyphQPK::createRandomUID(0), "");
}

TEST(Package, SuggestedNamesCarryTheDayAndACounter) {
  test::TemporaryFolder folder;
  const std::string day = dayStamp(std::chrono::system_clock::now());
  const std::string base = folder.folder() + "tile.hgt";
  EXPECT_EQ(TessaglyphQPK::suggestNewFilename(base), folder.folder() + "tile " + day + ".hgt");
  writeTextFile(folder.folder() + "tile " + day + ".hgt", "");
  writeTextFile(folder.folder() + "tile " + day + "-001.hgt", "");
  EXPECT_EQ(TessaglyphQPK::suggestNewFilename(base), folder.folder() + "tile " + day + "-002.hgt");
  EXPECT_EQ(TessaglyphQPK::suggestNewFilename(folder.folder() + "README"),
            folder.folder() + "README " + day);
}

}  // namespace
}  // namespace tg
