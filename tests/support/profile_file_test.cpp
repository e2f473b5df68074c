#include "support/profile_file.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "support/test_environment.hpp"
#include "test_support.hpp"

namespace tg::test {
namespace {

using Lines = std::vector<std::string>;

// The text with the first `from` replaced by `to`.
std::string replaced(std::string text, std::string_view from, std::string_view to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

const std::string kNamed =
    "[Tessa Glyph]\n  Programs Dir =  /opt/scripts  \nprograms dir=second\n"
    "\t[ Defaults ]\t\nDelimiter List Size\t=\t2\n[TESSA GLYPH]\nprograms dir=third\nonly here=x\n";
const std::string kOdd =
    "orphan=before any section\n[first]\n=novalue\n[unclosed\n; k=commented\nk=1\n"
    "plain text line\n[a]b]\nx=2\n[]\ny=3";

// Sections and keys are found trimmed and without case, the first match winning; only the first
// section of a name is searched. "[unclosed" is no header, a comment is no key, lines before the
// first section belong to none. One pair of surrounding double quotes is removed.
TEST(ProfileTextTest, FindsValuesTrimmedWithoutCaseFirstMatchWinning) {
  // clang-format off
  const struct {
    std::string text;
    const char *section, *key;
    std::optional<std::string> value;
  } rows[] = {
      {kNamed, "  Tessa Glyph ", " PROGRAMS DIR", "/opt/scripts"},
      {kNamed, "defaults", "delimiter list size", "2"}, {kNamed, "Tessa Glyph", "only here", {}},
      {kOdd, "first", "k", "1"}, {kOdd, "first", "", "novalue"}, {kOdd, "first", "; k", {}},
      {kOdd, "a]b", "x", "2"}, {kOdd, "", "y", "3"}, {kOdd, "", "orphan", {}},
      {"[s]\nk = \" padded \" \n", "s", "k", " padded "}, {"[s]\nk=\"\n", "s", "k", "\""},
      {"[s]\nk=\"open\n", "s", "k", "\"open"}, {"[s]\nk=a=b\n", "s", "k", "a=b"}};
  // clang-format on
  for (const auto& row : rows)
    EXPECT_EQ(ProfileText(row.text).value(row.section, row.key), row.value) << row.text;
  const ProfileText odd(kOdd);
  EXPECT_EQ(odd.sectionNames(), (Lines{"first", "a]b", ""}));
  EXPECT_EQ(odd.keyNames("first"), (Lines{"", "k"}));
  EXPECT_EQ(odd.section("first"), (Lines{"=novalue", "[unclosed", "k=1", "plain text line"}));
}

TEST(ProfileTextTest, RendersAnyTextBackByteForByte) {
  for (const std::string& input : std::initializer_list<std::string>{
           "", "[s]\r\nk=v\nj=w\r\n\r\n", "\r\r\n\r", std::string("[s]\nk=\0\xff\x80\n", 10)}) {
    EXPECT_EQ(ProfileText(input).render(), input);
  }
}

// A settings file with everything a rewrite must keep.
const char* const kSample =
    "; settings written by hand\nloose line before sections\n\n"
    "[Tessa Glyph]\nexists=True\n; the folder below moved in 2003\n"
    "programs dir=\\Tessaglyph\\Scripts\n\n"
    "[SPR Default]\nname=Default\nnum fp=1\n\n\n"
    "[SPR_Templates]\nnum templates=1\n";

struct Edit {
  const char *section, *key;
  std::optional<std::string> value;  // none deletes the key
};

// Keys are set in place; new keys go after the last non-blank line of their section, new
// sections at the end; deleting removes every line of the key in the first section and deleting
// what is not there changes nothing. Line ends are kept, new lines take the file's style, and a
// last line without its line end gets one once something follows it.
TEST(ProfileTextTest, SettingAndDeletingKeysRewritesOnlyTheirLines) {
  const std::string sampleAdded =
      replaced(replaced(kSample, "Scripts\n", "Scripts\nmax open area files=200\n"), "num fp=1\n",
               "num fp=1\nnum sp=0\n") +
      "\n[Defaults]\nDelimiter 1=\\n\n";
  // clang-format off
  const struct {
    std::string input;
    std::vector<Edit> edits;
    std::string expected;
  } rows[] = {
      {kSample, {{"TESSA GLYPH", "PROGRAMS DIR", "/srv/scripts"}},
       replaced(kSample, "\\Tessaglyph\\Scripts", "/srv/scripts")},
      {kSample, {{"spr default", "num sp", "0"}, {"Tessa Glyph", "max open area files", "200"},
                 {"Defaults", "Delimiter 1", "\\n"}}, sampleAdded},
      {"[a]\nk=1\nj=2\nK = 3\n[a]\nk=4\n",
       {{"A", "k", {}}, {"a", "missing", {}}, {"missing", "k", {}}},
       "[a]\nj=2\n[a]\nk=4\n"},
      {"[a]\r\nk=1\r\n\r\n[b]\nj=2\n", {{"a", "n", "new"}, {"b", "k", "changed"}, {"c", "x", "y"}},
       "[a]\r\nk=1\r\nn=new\r\n\r\n[b]\nj=2\nk=changed\r\n\r\n[c]\r\nx=y\r\n"},
      {"[a]\nk=v", {{"a", "j", "w"}}, "[a]\nk=v\nj=w\n"},
      {"", {{"Tessa Glyph", "exists", "False"}}, "[Tessa Glyph]\nexists=False\n"}};
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.input);
    ProfileText text(row.input);
    for (const Edit& edit : row.edits)
      text.setValue(edit.section, edit.key, edit.value);
    EXPECT_EQ(text.render(), row.expected);
  }
}

// A replaced section keeps the blank lines after it and its lines are trimmed; a removed section
// takes its own lines only; removing what is not there changes nothing.
TEST(ProfileTextTest, SectionsAreReplacedAndRemovedWhole) {
  ProfileText section(kSample);
  section.setSection("tessa glyph", {"exists=False", "  qpkman dir = \\Tessaglyph  ", ""});
  EXPECT_EQ(
      section.render(),
      replaced(
          kSample,
          "exists=True\n; the folder below moved in 2003\nprograms dir=\\Tessaglyph\\Scripts\n",
          "exists=False\nqpkman dir = \\Tessaglyph\n"));
  EXPECT_EQ(section.section("Tessa Glyph"), (Lines{"exists=False", "qpkman dir = \\Tessaglyph"}));
  ProfileText removed(kSample);
  removed.removeSection("spr default");
  removed.removeSection("no such section");
  EXPECT_EQ(removed.sectionNames(), (Lines{"Tessa Glyph", "SPR_Templates"}));
  EXPECT_EQ(removed.render(), replaced(kSample, "[SPR Default]\nname=Default\nnum fp=1\n\n\n", ""));
}

TEST(ProfileTextTest, RefusesTextThatWouldNotReadBackAndChangesNothing) {
  ProfileText text(kSample);
  const auto refuse = [&](auto call) {
    EXPECT_EQ(errorNumber(call), 5);
    EXPECT_EQ(text.render(), kSample);
  };
  refuse([&] { text.setValue("a\nb", "k", "v"); });
  refuse([&] { text.setValue("s", "k\r", "v"); });
  refuse([&] { text.setValue("s", "a=b", "v"); });
  refuse([&] { text.setValue("s", "[k", "v]"); });
  refuse([&] { text.setValue("s", " ;k", "v"); });
  refuse([&] { text.setValue("s", "k", "two\nlines"); });
  refuse([&] { text.setSection("Tessa Glyph", {"a=1", "[injected]"}); });
}

class ProfileFileTest : public ::testing::Test {
 protected:
  SettingsSandbox sandbox;

  std::string path(const std::string& relative) const { return sandbox.root() + relative; }
};

TEST_F(ProfileFileTest, MissingFileSectionOrKeyReadsTheDefault) {
  const std::string file = path("nowhere/missing.ini");
  EXPECT_EQ(readProfileString("s", "k", "fallback", file), "fallback");
  EXPECT_TRUE(readProfileSection("s", file).empty());
  // A folder where the file should be reads as no file.
  std::filesystem::create_directories(path("folder.ini"));
  EXPECT_EQ(readProfileString("s", "k", "d", path("folder.ini")), "d");
}

TEST_F(ProfileFileTest, WritingAKeyCreatesTheFileAndSectionDeletingCreatesNothing) {
  const std::string file = path("new.ini");
  writeProfileString("s", "k", std::nullopt, file);
  deleteProfileSection("s", file);
  EXPECT_FALSE(std::filesystem::exists(file));
  writeProfileString("Tessa Glyph", "exists", "False", file);
  EXPECT_EQ(sandbox.readFile("new.ini"), "[Tessa Glyph]\nexists=False\n");
  writeProfileString("Tessa Glyph", "exists", "True", file);
  writeProfileString("Defaults", "Delimiter List Size", "1", file);
  EXPECT_EQ(sandbox.readFile("new.ini"),
            "[Tessa Glyph]\nexists=True\n\n[Defaults]\nDelimiter List Size=1\n");
  EXPECT_EQ(profileSectionNames(file), (Lines{"Tessa Glyph", "Defaults"}));
  EXPECT_EQ(profileKeyNames("defaults", file), (Lines{"Delimiter List Size"}));
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
      errorNumber([&] { writeProfileString("s", "k", longValue, path("kept.ini")); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(number, PLATFORM_E_PATHFILEACCESSERROR);
  EXPECT_EQ(sandbox.readFile("kept.ini"), original);
  // No temporary file is left behind.
  const std::filesystem::directory_iterator files(sandbox.root());
  EXPECT_EQ(std::distance(begin(files), end(files)), 1);
}

TEST_F(ProfileFileTest, UnwritablePlacesRaise75) {
  std::filesystem::create_directories(path("folder.ini"));
  // The settings folder cannot be made when a file stands in its place.
  sandbox.writeFile("config/tessaglyph", "not a folder");
  for (const std::string& file :
       {path("no/such/dir/x.ini"), path("folder.ini"), std::string("HFTGDLL.INI")}) {
    EXPECT_EQ(errorNumber([&] { writeProfileString("s", "k", "v", file); }),
              PLATFORM_E_PATHFILEACCESSERROR)
        << file;
  }
}

TEST_F(ProfileFileTest, ReadOnlyFileRaises75AndKeepsTheFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  const std::string original = "[s]\nk=old\n";
  sandbox.writeFile("locked/settings.ini", original);
  ::chmod(path("locked/settings.ini").c_str(), 0400);
  EXPECT_EQ(errorNumber([&] { writeProfileString("s", "k", "new", path("locked/settings.ini")); }),
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
}  // namespace tg::test
