// The package's lists and their checks, its UID, its file written and read, and its name helpers.
#include <gtest/gtest.h>

#include <functional>

#include "package_test_support.hpp"
#include "support/date_text.hpp"
#include "tessaglyph/package.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

using test::MemoryPackageIndex;
using test::writeTextFile;

// Each row raises 60000 with "Cannot specify a blank <blank>", or "Index out of bounds" when
// `blank` is empty, from TessaglyphQPK::<source>.
TEST(Package, ListMembersRefuseBlankValuesAndBadIndexes) {
  TessaglyphQPK q;
  q.addCopyFile("a", "b");
  q.addScript("s.tgp", "S");
  q.addSource("x.hgt", "S");
  const struct {
    std::function<void()> action;
    const char* blank;
    const char* source;
  } rows[] = {
      {[&] { q.addCopyFile(" ", "b"); }, "copy-file source", "addCopyFile"},
      {[&] { q.addCopyFile("a", ""); }, "copy-file destination", "addCopyFile"},
      {[&] { q.addScript("", "S"); }, "script filename", "addScript"},
      {[&] { q.addSource("", "S"); }, "source filename", "addSource"},
      {[&] { q.setCopyFileSource(0, ""); }, "copy-file source", "copyFileSource Let"},
      {[&] { q.setCopyFileDestination(0, ""); }, "copy-file destination",
       "copyFileDestination Let"},
      {[&] { q.setScriptFilename(0, ""); }, "script filename", "scriptFilename Let"},
      {[&] { q.setSourceFilename(0, ""); }, "source filename", "sourceFilename Let"},
      {[&] { q.addScript("s", " "); }, "script index name", "addScript"},
      {[&] { q.addSource("x", ""); }, "source script name", "addSource"},
      {[&] { q.setScriptIndexName(0, ""); }, "script index name", "scriptIndexName Let"},
      {[&] { q.setSourceScriptName(0, ""); }, "source script name", "sourceScriptName Let"},
      {[&] { q.removeCopyFile(1); }, "", "removeCopyFile"},
      {[&] { q.removeScript(-1); }, "", "removeScript"},
      {[&] { q.removeSource(1); }, "", "removeSource"},
      {[&] { q.copyFileSource(1); }, "", "copyFileSource Get"},
      {[&] { q.sourceScriptName(-1); }, "", "sourceScriptName Get"},
      {[&] { q.qpkError(0); }, "", "qpkError Get"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.source);
    const std::string description =
        *row.blank ? std::string("Cannot specify a blank ") + row.blank : "Index out of bounds";
    EXPECT_TRUE(
        test::raises(row.action, 60000, description, std::string("TessaglyphQPK::") + row.source));
  }
}

// At most 200 characters, none below a blank and no path separator; "." and ".." are refused.
TEST(Package, UidMustBeAFileNamePart) {
  const std::string longest(200, 'A'), tooLong(201, 'A');
  for (const std::string& uid : {std::string(), std::string("Maker Tiles 2"), longest})
    EXPECT_NO_THROW(TessaglyphQPK().setUid(uid)) << uid;
  for (const std::string& uid :
       {std::string("a/b"), std::string(".."), std::string("."), std::string("tab\tx"), tooLong})
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
  for (const char* name : {"n1.hgt| alpha ", "n2.hgt|Beta", "n3.hgt|ALPHA"})
    qpk.addSource(std::string(name, 6), std::string(name + 7));
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

// A package with every field set reads in and writes back the same text.
TEST(Package, FileReadsAndWritesEveryFieldInItsOrder) {
  test::TemporaryFolder folder;
  MemoryPackageIndex index(folder.folder());
  const std::string text =
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
      "rm install=True\nn45.hgt=SRTM\n";
  writeTextFile(folder.path() / "in.qpk", text);
  TessaglyphQPK qpk;
  EXPECT_TRUE(qpk.readQPK(folder.folder() + "in.qpk"));
  EXPECT_EQ(qpk.numQPKErrors(), 0) << qpk.qpkError(0);
  qpk.writeQPK(folder.folder() + "alps.qpk");
  EXPECT_EQ(qpk.filename(), folder.folder() + "alps.qpk");
  EXPECT_EQ(test::readTextFile(folder.path() / "alps.qpk"), text);
  // Without a before file and without RM installs their settings are left out.
  TessaglyphQPK bare;
  EXPECT_EQ(bare.qpkText().find("force condition accept="), std::string::npos);
  EXPECT_EQ(bare.qpkText().find("[Copy Files]"), std::string::npos);
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
  const std::string outside = "Destination outside the allowed folders: ";
  EXPECT_EQ(
      errors,
      (std::vector<std::string>{
          "[Line 2] Line outside of a section: \"uid=early\"", "[Line 4] Invalid UID: A/B",
          "[Line 5] Unknown setting in section QPK: colour",
          "[Line 6] Invalid value for setting \"Overwrite Existing\": perhaps",
          "[Line 7] Cannot parse line \"=no key\"", "[Line 8] Cannot recognize section \"Extras\"",
          "[Line 11] Cannot parse line \"abc\"",
          "[Line 12] Cannot specify a blank script index name",
          "[Line 15] " + outside + "%HF_SOURCEDIR/../../../etc/a.txt",
          "[Line 16] " + outside + "/tmp/b.txt"}));
  EXPECT_EQ(qpk.numScripts(), 1);
  EXPECT_EQ(qpk.scriptIndexName(0), "Good");
  EXPECT_EQ(qpk.numCopyFiles(), 3);
  EXPECT_EQ(qpk.uid(), "");
  EXPECT_EQ(test::errorNumber([&] { qpk.readQPK(home.root() + "none.qpk"); }),
            PLATFORM_E_FILENOTFOUND);
}

TEST(Package, RandomUidsAndSuggestedNames) {
  const std::string uid = TessaglyphQPK::createRandomUID(400);
  ASSERT_EQ(uid.size(), 400u);
  EXPECT_EQ(uid.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos);
  EXPECT_NE(uid.find_first_of("0123456789"), std::string::npos);
  EXPECT_NE(uid.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos);
  EXPECT_NE(TessaglyphQPK::createRandomUID(400), uid);
  EXPECT_EQ(TessaglyphQPK::createRandomUID(0), "");
  // A new name carries the day and, when that is taken, a counter.
  test::TemporaryFolder folder;
  const std::string tile = folder.folder() + "tile " + dayStamp(std::chrono::system_clock::now());
  EXPECT_EQ(TessaglyphQPK::suggestNewFilename(folder.folder() + "tile.hgt"), tile + ".hgt");
  writeTextFile(tile + ".hgt", "");
  writeTextFile(tile + "-001.hgt", "");
  EXPECT_EQ(TessaglyphQPK::suggestNewFilename(folder.folder() + "tile.hgt"), tile + "-002.hgt");
  EXPECT_EQ(TessaglyphQPK::suggestNewFilename(folder.folder() + "README"),
            folder.folder() + "README " + dayStamp(std::chrono::system_clock::now()));
}

}  // namespace
}  // namespace tg
