#include "support/profile_file.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "support/test_environment.hpp"
#include "tessaglyph/error.hpp"

namespace tg {
namespace {

using Lines = std::vector<std::string>;

// The platform error a call raised, or 0 when it raised none.
template <typename Call>
std::int32_t errorNumberOf(Call call) {
  try {
    call();
  } catch (const Error& error) {
    return error.number();
  }
  return 0;
}

// --- The text in memory ----------------------------------------------------------------------

TEST(ProfileTextTest, FindsSectionsAndKeysTrimmedWithoutCaseFirstMatchWinning) {
  const ProfileText text(
      "[Tessa Glyph]\n"
      "  Programs Dir =  /opt/scripts  \n"
      "programs dir=second\n"
      "\t[ Defaults ]\t\n"
      "Delimiter List Size\t=\t2\n"
      "[TESSA GLYPH]\n"
      "programs dir=third\n"
      "only here=x\n");
  EXPECT_EQ(text.value("tessa glyph", "PROGRAMS DIR"), "/opt/scripts");
  EXPECT_EQ(text.value("  Tessa Glyph ", " programs dir"), "/opt/scripts");
  EXPECT_EQ(text.value("defaults", "delimiter list size"), "2");
  // Only the first section of a name is searched.
  EXPECT_EQ(text.value("Tessa Glyph", "only here"), std::nullopt);
  EXPECT_EQ(text.value("Tessa Glyph", "missing"), std::nullopt);
  EXPECT_EQ(text.value("Nowhere", "programs dir"), std::nullopt);
  EXPECT_EQ(text.sectionNames(), (Lines{"Tessa Glyph", "Defaults", "TESSA GLYPH"}));
  EXPECT_EQ(text.keyNames("TESSA glyph"), (Lines{"Programs Dir", "programs dir"}));
}

TEST(ProfileTextTest, RemovesOnePairOfSurroundingDoubleQuotes) {
  struct Case {
    const char* line;
    const char* value;
  };
  const Case cases[] = {
      {"k=\"quoted\"", "quoted"},
      {"k = \" padded \" ", " padded "},
      {"k=\"\"", ""},
      {"k=\"", "\""},
      {"k=\"\"x\"\"", "\"x\""},
      {"k=\"a\" and \"b\"", "a\" and \"b"},
      {"k='single'", "'single'"},
      {"k=\"open", "\"open"},
      {"k=a=b", "a=b"},
      {"k=", ""},
      {"k=\xE9t\xE9\x01", "\xE9t\xE9\x01"},
  };
  for (const Case& c : cases) {
    const ProfileText text(std::string("[s]\n") + c.line + "\n");
    EXPECT_EQ(text.value("s", "k"), c.value) << c.line;
  }
}

TEST(ProfileTextTest, ClassifiesOddLinesTheWayTheyRead) {
  const ProfileText text(
      "orphan=before any section\n"
      "[first]\n"
      "=novalue\n"
      "[unclosed\n"
      "; k=commented\n"
      "k=1\n"
      "plain text line\n"
      "[a]b]\n"
      "x=2\n"
      "[]\n"
      "y=3");
  EXPECT_EQ(text.sectionNames(), (Lines{"first", "a]b", ""}));
  // "[unclosed" is no header, so "k" still belongs to "first"; the comment is no key.
  EXPECT_EQ(text.value("first", "k"), "1");
  EXPECT_EQ(text.value("first", ""), "novalue");
  EXPECT_EQ(text.value("first", "; k"), std::nullopt);
  EXPECT_EQ(text.keyNames("first"), (Lines{"", "k"}));
  EXPECT_EQ(text.section("first"), (Lines{"=novalue", "[unclosed", "k=1", "plain text line"}));
  EXPECT_EQ(text.value("a]b", "x"), "2");
  EXPECT_EQ(text.value("", "y"), "3");
  // Lines before the first section belong to no section.
  EXPECT_EQ(text.value("", "orphan"), std::nullopt);
}

TEST(ProfileTextTest, RendersAnyTextBackByteForByte) {
  const std::string inputs[] = {
      "",
      "\n",
      "[s]\nk=v",
      "[s]\r\nk=v\r\n",
      "[s]\r\nk=v\nj=w\r\n\r\n",
      "\r\r\n\r",
      std::string("[s]\nk=\0\xff\x80\n", 10),
      "no section at all\n;comment\n[unclosed",
      "  [ spaced ]  \n  k  =  v  \n",
  };
  for (const std::string& input : inputs) {
    EXPECT_EQ(ProfileText(input).render(), input);
  }
}

// A settings file with everything a rewrite must keep.
const char* const kSample =
    "; settings written by hand\n"
    "loose line before sections\n"
    "\n"
    "[Tessa Glyph]\n"
    "exists=True\n"
    "; the folder below moved in 2003\n"
    "programs dir=\\Tessaglyph\\Scripts\n"
    "\n"
    "[SPR Default]\n"
    "name=Default\n"
    "num fp=1\n"
    "\n"
    "\n"
    "[SPR_Templates]\n"
    "num templates=1\n";

TEST(ProfileTextTest, ChangingAKeyRewritesOnlyItsLine) {
  ProfileText text(kSample);
  text.setValue("TESSA GLYPH", "PROGRAMS DIR", "/srv/scripts");
  std::string expected = kSample;
  expected.replace(expected.find("programs dir=\\Tessaglyph\\Scripts"),
                   std::string("programs dir=\\Tessaglyph\\Scripts").size(),
                   "programs dir=/srv/scripts");
  EXPECT_EQ(text.render(), expected);
}

TEST(ProfileTextTest, NewKeysGoAfterTheLastLineOfTheirSectionAndNewSectionsAtTheEnd) {
  ProfileText text(kSample);
  text.setValue("spr default", "num sp", "0");
  text.setValue("Tessa Glyph", "max open area files", "200");
  text.setValue("Defaults", "Delimiter 1", "\\n");
  EXPECT_EQ(text.render(),
            "; settings written by hand\n"
            "loose line before sections\n"
            "\n"
            "[Tessa Glyph]\n"
            "exists=True\n"
            "; the folder below moved in 2003\n"
            "programs dir=\\Tessaglyph\\Scripts\n"
            "max open area files=200\n"
            "\n"
            "[SPR Default]\n"
            "name=Default\n"
            "num fp=1\n"
            "num sp=0\n"
            "\n"
            "\n"
            "[SPR_Templates]\n"
            "num templates=1\n"
            "\n"
            "[Defaults]\n"
            "Delimiter 1=\\n\n");
}

TEST(ProfileTextTest, AppendingToATextWithoutFinalLineEndStartsANewLine) {
  ProfileText text("[a]\nk=v");
  text.setValue("a", "j", "w");
  EXPECT_EQ(text.render(), "[a]\nk=v\nj=w\n");
  ProfileText other("[a]\nk=v");
  other.setValue("b", "j", "w");
  EXPECT_EQ(other.render(), "[a]\nk=v\n\n[b]\nj=w\n");
  ProfileText empty("");
  empty.setValue("Tessa Glyph", "exists", "False");
  EXPECT_EQ(empty.render(), "[Tessa Glyph]\nexists=False\n");
}

TEST(ProfileTextTest, DeletingAKeyRemovesEveryLineOfItInTheFirstSection) {
  ProfileText text("[a]\nk=1\nj=2\nK = 3\n[a]\nk=4\n");
  text.setValue("A", "k", std::nullopt);
  EXPECT_EQ(text.render(), "[a]\nj=2\n[a]\nk=4\n");
  EXPECT_EQ(text.value("a", "k"), std::nullopt);
  // Deleting what is not there changes nothing.
  text.setValue("a", "missing", std::nullopt);
  text.setValue("missing", "k", std::nullopt);
  EXPECT_EQ(text.render(), "[a]\nj=2\n[a]\nk=4\n");
}

TEST(ProfileTextTest, ReplacingASectionKeepsEveryOtherLineInPlace) {
  ProfileText text(kSample);
  text.setSection("tessa glyph", {"exists=False", "  qpkman dir = \\Tessaglyph  ", ""});
  EXPECT_EQ(text.render(),
            "; settings written by hand\n"
            "loose line before sections\n"
            "\n"
            "[Tessa Glyph]\n"
            "exists=False\n"
            "qpkman dir = \\Tessaglyph\n"
            "\n"
            "[SPR Default]\n"
            "name=Default\n"
            "num fp=1\n"
            "\n"
            "\n"
            "[SPR_Templates]\n"
            "num templates=1\n");
  EXPECT_EQ(text.section("Tessa Glyph"), (Lines{"exists=False", "qpkman dir = \\Tessaglyph"}));
}

TEST(ProfileTextTest, ReplacingASectionTouchesOnlyTheFirstOfThatName) {
  ProfileText text("[x]\na=1\n[s]\nb=2\n[y]\nc=3\n[S]\nd=4\n");
  text.setSection("s", {"e=5"});
  EXPECT_EQ(text.render(), "[x]\na=1\n[s]\ne=5\n[y]\nc=3\n[S]\nd=4\n");
  text.setSection("s", {});
  EXPECT_EQ(text.render(), "[x]\na=1\n[s]\n[y]\nc=3\n[S]\nd=4\n");
  text.setSection("new", {"f=6"});
  EXPECT_EQ(text.render(), "[x]\na=1\n[s]\n[y]\nc=3\n[S]\nd=4\n\n[new]\nf=6\n");
}

TEST(ProfileTextTest, RemovingASectionTakesItsLinesOnly) {
  ProfileText text(kSample);
  text.removeSection("spr default");
  EXPECT_EQ(text.sectionNames(), (Lines{"Tessa Glyph", "SPR_Templates"}));
  std::string expected = kSample;
  expected.erase(expected.find("[SPR Default]"),
                 std::string("[SPR Default]\nname=Default\nnum fp=1\n\n\n").size());
  EXPECT_EQ(text.render(), expected);
  text.removeSection("no such section");
  EXPECT_EQ(text.render(), expected);
}

TEST(ProfileTextTest, KeepsTheLineEndsOfEveryLineAndGivesNewOnesTheFilesStyle) {
  ProfileText text("[a]\r\nk=1\r\n\r\n[b]\nj=2\n");
  text.setValue("a", "n", "new");
  text.setValue("b", "k", "changed");
  text.setValue("c", "x", "y");
  EXPECT_EQ(text.render(), "[a]\r\nk=1\r\nn=new\r\n\r\n[b]\nj=2\nk=changed\r\n\r\n[c]\r\nx=y\r\n");
  ProfileText unix("[a]\nk=1\n");
  unix.setValue("a", "k", "2");
  unix.setValue("a", "m", "3");
  EXPECT_EQ(unix.render(), "[a]\nk=2\nm=3\n");
}

TEST(ProfileTextTest, RefusesTextThatWouldNotReadBackAndChangesNothing) {
  ProfileText text(kSample);
  const auto refuse = [&](auto call) {
    EXPECT_EQ(errorNumberOf(call), 5);
    EXPECT_EQ(text.render(), kSample);
  };
  refuse([&] { text.setValue("a\nb", "k", "v"); });
  refuse([&] { text.setValue("s", "k\r", "v"); });
  refuse([&] { text.setValue("s", "a=b", "v"); });
  refuse([&] { text.setValue("s", " ;k", "v"); });
  refuse([&] { text.setValue("s", "[k", "v]"); });
  refuse([&] { text.setValue("s", "k", "two\nlines"); });
  refuse([&] { text.setSection("Tessa Glyph", {"a=1", "[injected]"}); });
  refuse([&] { text.setSection("Tessa Glyph", {"a=1\nb=2"}); });
  refuse([&] { text.setSection("x\ry", {}); });
}

// --- Files on disk ---------------------------------------------------------------------------

class ProfileFileTest : public ::testing::Test {
 protected:
  test::SettingsSandbox sandbox;

  std::string path(const std::string& relative) const { return sandbox.root() + relative; }
};

TEST_F(ProfileFileTest, MissingFileSectionOrKeyReadsTheDefault) {
  const std::string file = path("nowhere/missing.ini");
  EXPECT_EQ(readProfileString("s", "k", "fallback", file), "fallback");
  EXPECT_TRUE(readProfileSection("s", file).empty());
  EXPECT_TRUE(profileSectionNames(file).empty());
  sandbox.writeFile("present.ini", "[s]\nk=v\n");
  EXPECT_EQ(readProfileString("s", "other", "d", path("present.ini")), "d");
  EXPECT_EQ(readProfileString("t", "k", "d", path("present.ini")), "d");
  EXPECT_EQ(readProfileString("S", "K", "d", path("present.ini")), "v");
  // A folder where the file should be reads as no file.
  std::filesystem::create_directories(path("folder.ini"));
  EXPECT_EQ(readProfileString("s", "k", "d", path("folder.ini")), "d");
}

TEST_F(ProfileFileTest, WritingAKeyCreatesTheFileAndSection) {
  const std::string file = path("new.ini");
  writeProfileString("Tessa Glyph", "exists", "False", file);
  EXPECT_EQ(sandbox.readFile("new.ini"), "[Tessa Glyph]\nexists=False\n");
  writeProfileString("Tessa Glyph", "exists", "True", file);
  writeProfileString("Defaults", "Delimiter List Size", "1", file);
  EXPECT_EQ(sandbox.readFile("new.ini"),
            "[Tessa Glyph]\nexists=True\n\n[Defaults]\nDelimiter List Size=1\n");
  EXPECT_EQ(profileSectionNames(file), (Lines{"Tessa Glyph", "Defaults"}));
  EXPECT_EQ(profileKeyNames("defaults", file), (Lines{"Delimiter List Size"}));
}

TEST_F(ProfileFileTest, DeletingFromAMissingFileCreatesNothing) {
  const std::string file = path("absent.ini");
  writeProfileString("s", "k", std::nullopt, file);
  deleteProfileSection("s", file);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(ProfileFileTest, RewritesKeepCommentsLooseLinesAndCrLf) {
  sandbox.writeFile("host.ini",
                    "; host settings\r\nloose\r\n[CONFIG]\r\na=1\r\n[Other]\r\nb=2\r\n");
  writeProfileString("config", "a", std::nullopt, path("host.ini"));
  writeProfileString("config", "c", "3", path("host.ini"));
  writeProfileSection("OTHER", {"d=4", "e=5"}, path("host.ini"));
  EXPECT_EQ(sandbox.readFile("host.ini"),
            "; host settings\r\nloose\r\n[CONFIG]\r\nc=3\r\n[Other]\r\nd=4\r\ne=5\r\n");
  EXPECT_EQ(readProfileSection("other", path("host.ini")), (Lines{"d=4", "e=5"}));
  deleteProfileSection("config", path("host.ini"));
  EXPECT_EQ(sandbox.readFile("host.ini"), "; host settings\r\nloose\r\n[Other]\r\nd=4\r\ne=5\r\n");
}

TEST_F(ProfileFileTest, BareNamesLiveInTheSettingsFolderFoundWithoutRegardToCase) {
  writeProfileString("Defaults", "Delimiter List Size", "2", "HFTGDLL.INI");
  EXPECT_EQ(sandbox.readFile("config/tessaglyph/HFTGDLL.INI"),
            "[Defaults]\nDelimiter List Size=2\n");
  EXPECT_EQ(readProfileString("defaults", "delimiter list size", "1", "hftgdll.ini"), "2");

  // A file of another case is the same settings file: it is edited, not doubled.
  std::filesystem::rename(path("config/tessaglyph/HFTGDLL.INI"),
                          path("config/tessaglyph/hftgdll.ini"));
  writeProfileString("Defaults", "Delimiter 1", ",", "HFTGDLL.INI");
  EXPECT_FALSE(std::filesystem::exists(path("config/tessaglyph/HFTGDLL.INI")));
  EXPECT_EQ(sandbox.readFile("config/tessaglyph/hftgdll.ini"),
            "[Defaults]\nDelimiter List Size=2\nDelimiter 1=,\n");
  // A name with a folder is not moved into the settings folder.
  writeProfileString("s", "k", "v", path("elsewhere.ini"));
  EXPECT_TRUE(std::filesystem::exists(path("elsewhere.ini")));
  EXPECT_FALSE(std::filesystem::exists(path("config/tessaglyph/elsewhere.ini")));
}

TEST_F(ProfileFileTest, FailedWriteRaises75AndLeavesTheOldFileWhole) {
  const std::string original = "[s]\nk=old\n";
  sandbox.writeFile("kept.ini", original);
  const std::string longValue(4096, 'x');

  // A file-size limit makes the write itself fail, whatever the user's privileges.
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit tight = saved;
  tight.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
  const std::int32_t number =
      errorNumberOf([&] { writeProfileString("s", "k", longValue, path("kept.ini")); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(number, PLATFORM_E_PATHFILEACCESSERROR);
  EXPECT_EQ(sandbox.readFile("kept.ini"), original);
  // No temporary file is left behind.
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(sandbox.root())) {
    ++files;
  }
  EXPECT_EQ(files, 1u);
}

TEST_F(ProfileFileTest, UnwritablePlacesRaise75) {
  EXPECT_EQ(errorNumberOf([&] { writeProfileString("s", "k", "v", path("no/such/dir/x.ini")); }),
            PLATFORM_E_PATHFILEACCESSERROR);
  std::filesystem::create_directories(path("folder.ini"));
  EXPECT_EQ(errorNumberOf([&] { writeProfileString("s", "k", "v", path("folder.ini")); }),
            PLATFORM_E_PATHFILEACCESSERROR);
  // The settings folder cannot be made when a file stands in its place.
  sandbox.writeFile("config/tessaglyph", "not a folder");
  EXPECT_EQ(errorNumberOf([&] { writeProfileString("s", "k", "v", "HFTGDLL.INI"); }),
            PLATFORM_E_PATHFILEACCESSERROR);
}

TEST_F(ProfileFileTest, ReadOnlyFolderOrFileRaises75AndKeepsTheFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  const std::string original = "[s]\nk=old\n";
  sandbox.writeFile("locked/settings.ini", original);
  ::chmod(path("locked").c_str(), 0500);
  EXPECT_EQ(
      errorNumberOf([&] { writeProfileString("s", "k", "new", path("locked/settings.ini")); }),
      PLATFORM_E_PATHFILEACCESSERROR);
  EXPECT_EQ(sandbox.readFile("locked/settings.ini"), original);
  ::chmod(path("locked").c_str(), 0700);
  ::chmod(path("locked/settings.ini").c_str(), 0400);
  EXPECT_EQ(
      errorNumberOf([&] { writeProfileString("s", "k", "new", path("locked/settings.ini")); }),
      PLATFORM_E_PATHFILEACCESSERROR);
  EXPECT_EQ(sandbox.readFile("locked/settings.ini"), original);
}

TEST_F(ProfileFileTest, RewriteKeepsPermissionsAndWritesThroughLinks) {
  sandbox.writeFile("real.ini", "[s]\nk=1\n");
  ::chmod(path("real.ini").c_str(), 0640);
  std::filesystem::create_symlink(path("real.ini"), path("link.ini"));
  writeProfileString("s", "k", "2", path("link.ini"));
  EXPECT_TRUE(std::filesystem::is_symlink(path("link.ini")));
  EXPECT_EQ(sandbox.readFile("real.ini"), "[s]\nk=2\n");
  struct stat status {};
  ASSERT_EQ(::stat(path("real.ini").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
}

}  // namespace
}  // namespace tg
