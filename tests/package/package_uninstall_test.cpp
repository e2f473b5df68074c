// The uninstall log: its commands, saved and loaded, and uninstalling what it lists.
#include <gtest/gtest.h>

#include "package_test_support.hpp"
#include "support/date_text.hpp"
#include "tessaglyph/package_uninstall.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

using test::writeTextFile;

// The log's commands, one "name: parameter" line each.
std::string commandsOf(const TessaglyphQPKUninstall& log) {
  std::string commands;
  for (Integer i = 0; i < log.numUninstallCommands(); ++i)
    commands += log.uninstallCommand(i) + ": " + log.uninstallCommandParameter(i) + "\n";
  return commands;
}

// Records the events of an uninstallation and answers errors with `answer`.
struct RecordingSink : TessaglyphQPKUninstallEvents {
  void uninstallError(Integer index, Long number, const std::string& source,
                      const std::string& description, Boolean& go) override {
    errors.push_back(std::to_string(index) + " " + std::to_string(number) + " " + source + " " +
                     description);
    go = answer;
  }
  void progressChange(Integer percent) override { progress.push_back(percent); }
  bool answer = true;
  std::vector<std::string> errors;
  std::vector<int> progress;
};

TEST(PackageUninstallLog, CommandsStayInExecutableOrder) {
  TessaglyphQPKUninstall log;
  log.logDirectory(" c:\\data\\a ");
  log.logDirectory("c:\\data\\a\\b\\");
  log.logFile(" c:\\data\\a\\f.dat ");
  log.logIndexedScript("Script S");
  log.logIndexedSource("c:\\data\\a\\x.hgt");
  log.logIndexedScript("Script T", true);
  EXPECT_EQ(commandsOf(log),
            "Unindex source file: c:\\data\\a\\x.hgt\nUnindex script: Script S\n"
            "Unindex script (ignore in-use): Script T\nDelete file: c:\\data\\a\\f.dat\n"
            "Remove directory: C:\\DATA\\A\\B\\\nRemove directory: C:\\DATA\\A\\\n");
  EXPECT_EQ(log.numCreatedDirs(), 2);
  EXPECT_EQ(log.createdDir(0), "C:\\DATA\\A\\");
  EXPECT_TRUE(log.executeUninstallCommand(5));
  EXPECT_EQ(test::errorNumber([&] { log.uninstallCommand(6); }), PLATFORM_E_SUBSCRIPTOUTOFRANGE);
  EXPECT_EQ(test::errorNumber([&] { log.createdDir(-1); }), PLATFORM_E_SUBSCRIPTOUTOFRANGE);
}

TEST(PackageUninstallLog, SavedLogLoadsBackWithEveryFieldAndNeedsCommandsAndUid) {
  test::TemporaryHome home;
  test::MemoryPackageIndex index(home.base());
  TessaglyphQPKUninstall log;
  log.setInstallUID("pkg7");
  const char* source = "TessaglyphQPKUninstall::save";
  EXPECT_TRUE(test::raises([&] { log.save(); }, 67001, "No data to save", source));
  log.setInstallDescription("Terrain tiles");
  log.setQpkDate(*parseDateText("2024-02-29 13:45:10"));
  log.setNonEmptyDirError(true);
  log.logDirectory("/data/t");
  log.logFile("/data/t/n45.hgt");
  log.logIndexedScript("srtm", true);
  log.logIndexedSource("/data/t/n45.hgt");
  log.save();
  EXPECT_EQ(log.logFilename(), home.base() + "QPK Uninstall/1_PKG7.TGU");
  const std::string text = test::readTextFile(log.logFilename());
  EXPECT_EQ(text.substr(0, text.find("install_date")), "install_descr=Terrain tiles\n");
  EXPECT_NE(text.find("qpk_date=2024-02-29 13:45:10\nnonempty_dir_error=True\n"
                      "nonexistent_item_error=False\n\ncreated_dirs=1\ncopied_files=1\n"
                      "indexed_scripts=1\nindexed_sources=1\n\nunindex=/data/t/n45.hgt\n"
                      "unscripti=srtm\ndelfile=/data/t/n45.hgt\nrmdir=/DATA/T\\\n"),
            std::string::npos)
      << text;
  TessaglyphQPKUninstall loaded;
  loaded.load(log.logFilename());
  EXPECT_EQ(loaded.logText(), text);
  EXPECT_EQ(loaded.installDate(), *parseDateText(dateToText(log.installDate())));
  log.save();  // a second log of the same package and minute gets the next counter
  EXPECT_EQ(log.logFilename(), home.base() + "QPK Uninstall/2_PKG7.TGU");
  log.setInstallUID("  ");
  EXPECT_TRUE(test::raises([&] { log.save(); }, 67002, "Cannot save without UID", source));
}

// Each row raises 67004 from load, or 67003 from getCommandCode for an unknown command.
TEST(PackageUninstallLog, LoadRejectsBadData) {
  const struct {
    const char* content;
    std::string description;
  } rows[] = {
      {"install_date=yesterday", "Bad date format: yesterday"},
      {"nonempty_dir_error=maybe", "Bad boolean format: maybe"},
      {"created_dirs=two", "Bad number format: two"},
      {"copied_files=-1", "Invalid number: -1"},
      {"indexed_sources=1.5", "Invalid number: 1.5"},
      {"indexed_scripts=99999", "Invalid number: 99999"},
      {"copied_files=0\nCOPIED_FILES=0", "copied_files specified more than once"},
      {"rmdir=A\\", "Too many rmdir commands"},
      {"indexed_scripts=1\nunscript=s\nUNSCRIPTI=t", "Too many unscript and unscripti commands"},
      {"just text", "Command \"JUST TEXT\" is not recognized"},
  };
  test::TemporaryFolder folder;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.content);
    writeTextFile(folder.path() / "log.TGU", row.content);
    const bool unknown = row.description.starts_with("Command");
    EXPECT_TRUE(test::raises(
        [&] { TessaglyphQPKUninstall().load(folder.folder() + "log.TGU"); },
        unknown ? 67003 : 67004, row.description,
        unknown ? "TessaglyphQPKUninstall::getCommandCode" : "TessaglyphQPKUninstall::load"));
  }
  // What was read before the failure stays.
  writeTextFile(folder.path() / "log.TGU",
                "install_uid = P1 \r\ncopied_files=2\r\n DelFile = a \r\nqpk_date=x\r\n");
  TessaglyphQPKUninstall log;
  EXPECT_EQ(test::errorNumber([&] { log.load(folder.folder() + "log.TGU"); }), 67004);
  EXPECT_EQ(log.installUID(), "P1");
  EXPECT_EQ(log.numCopiedFiles(), 2);
  EXPECT_EQ(log.copiedFile(0), "a");
  EXPECT_EQ(test::errorNumber([&] { log.load(folder.folder() + "missing.TGU"); }),
            PLATFORM_E_FILENOTFOUND);
}

// A folder tree made by an installation, its log saved, and an index holding its records.
struct InstalledTree {
  test::TemporaryHome home;
  test::MemoryPackageIndex index{home.base()};
  std::string root = home.root() + "site/";
  TessaglyphQPKUninstall log;
  RecordingSink sink;

  InstalledTree() {
    writeTextFile(root + "Tiles/North/n45.hgt", "tile");
    log.setInstallUID("P2");
    log.logDirectory(root + "Tiles");
    log.logDirectory(root + "Tiles/North");
    log.logFile(root + "Tiles/North/n45.hgt");
    index.scripts.push_back("srtm");
    index.sources.push_back(root + "Tiles/North/n45.hgt");
    log.logIndexedScript("SRTM");
    log.logIndexedSource(root + "TILES/NORTH/N45.HGT");
    log.save();
    log.setEventSink(&sink);
  }
  // The commands of the log as it was rewritten on disk.
  TessaglyphQPKUninstall rest() const {
    TessaglyphQPKUninstall saved;
    saved.load(log.logFilename());
    return saved;
  }
};

TEST(PackageUninstall, ItemsAlreadyGoneAreSilentUnlessAskedFor) {
  for (const bool report : {false, true}) {
    InstalledTree tree;
    tree.index.sources.clear();
    tree.index.scripts.clear();
    std::filesystem::remove(tree.root + "Tiles/North/n45.hgt");
    tree.log.setNonExistentItemError(report);
    tree.log.uninstall();
    EXPECT_EQ(std::filesystem::exists(tree.log.logFilename()), report);
    if (!report) {
      EXPECT_TRUE(tree.sink.errors.empty());
      continue;
    }
    const std::string source = " TessaglyphQPKUninstall::uninstall ";
    EXPECT_EQ(tree.sink.errors, (std::vector<std::string>{
                                    "0 0" + source + "Source file \"" + tree.root +
                                        "TILES/NORTH/N45.HGT\" does not exist in the index",
                                    "1 0" + source + "Script \"SRTM\" does not exist in the index",
                                    "2 53" + source + "File not found"}));
    EXPECT_EQ(commandsOf(tree.rest()), commandsOf(tree.log));
    EXPECT_EQ(tree.rest().numUninstallCommands(), 3);
  }
}

TEST(PackageUninstall, FailedCommandsStayInTheRewrittenLog) {
  InstalledTree tree;
  tree.log.setNonEmptyDirError(true);
  writeTextFile(tree.root + "Tiles/North/user.txt", "mine");
  tree.log.uninstall();
  EXPECT_EQ(tree.sink.errors.size(), 2u);  // one folder holds the user's file, so the other too
  EXPECT_TRUE(std::filesystem::exists(tree.root + "Tiles/North/user.txt"));
  const TessaglyphQPKUninstall rest = tree.rest();
  EXPECT_EQ(commandsOf(rest), "Remove directory: " + toUpper(tree.root + "Tiles/North") +
                                  "\\\nRemove directory: " + toUpper(tree.root + "Tiles") + "\\\n");
  EXPECT_EQ(rest.numCopiedFiles(), 0);
  EXPECT_EQ(rest.numCreatedDirs(), 2);
}

TEST(PackageUninstall, StoppingKeepsTheUnmarkedAndUnrunCommands) {
  InstalledTree tree;
  tree.log.setNonExistentItemError(true);
  tree.index.sources.clear();
  tree.log.setExecuteUninstallCommand(1, false);  // the script stays registered
  tree.sink.answer = false;
  tree.log.uninstall();
  EXPECT_EQ(tree.sink.errors.size(), 1u);
  EXPECT_EQ(tree.index.scripts.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(tree.root + "Tiles/North/n45.hgt"));
  EXPECT_EQ(tree.rest().numUninstallCommands(), 5);
}

// Opening the index first, an unmarked command kept in the log, a script in use left registered
// unless logged to go regardless, and no description line for a package without one.
TEST(PackageUninstall, UnmarkedCommandsAndScriptsInUse) {
  InstalledTree tree;
  tree.log.logIndexedScript("OTHER", true);
  tree.index.scripts.push_back("OTHER");
  tree.index.inUse = {"SRTM", "OTHER"};
  tree.log.setExecuteUninstallCommand(0, false);
  const int opened = tree.index.initialisations;
  tree.log.uninstall();
  EXPECT_EQ(tree.index.initialisations, opened + 1);
  EXPECT_EQ(tree.index.scripts, std::vector<std::string>{"srtm"});
  EXPECT_TRUE(tree.sink.errors.empty());
  EXPECT_EQ(commandsOf(tree.rest()), "Unindex source file: " + tree.root + "TILES/NORTH/N45.HGT\n");
  EXPECT_EQ(tree.rest().logText().find("install_descr"), std::string::npos);
}

}  // namespace
}  // namespace tg
