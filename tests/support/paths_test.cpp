#include "support/paths.hpp"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "support/test_environment.hpp"

namespace tg {
namespace {

TEST(PathsTest, SplitsPathsAtEitherSeparator) {
  // path, folder, name, extension, title
  const std::array<const char*, 5> cases[] = {
      {"mixed\\folders/archive.tar.gz", "mixed\\folders/", "archive.tar.gz", "gz", "archive.tar"},
      {"/a.b/noextension", "/a.b/", "noextension", "", "noextension"},
      {".hidden", "", ".hidden", "hidden", ""},
      {"folder/", "folder/", "", "", ""}};
  for (const auto& [path, folder, name, extension, title] : cases) {
    EXPECT_EQ(folderOf(path), folder) << path;
    EXPECT_EQ(fileNameOf(path), name) << path;
    EXPECT_EQ(extensionOf(path), extension) << path;
    EXPECT_EQ(fileTitleOf(path), title) << path;
    EXPECT_EQ(hasFolder(path), *folder != '\0') << path;
  }
}

TEST(PathsTest, JoinsWithExactlyOneSeparator) {
  EXPECT_EQ(joinPath("/base", "file.ini"), "/base/file.ini");
  EXPECT_EQ(joinPath("C:\\base\\", "\\sub\\file.ini"), "C:\\base/sub\\file.ini");
  EXPECT_EQ(joinPath("", "file.ini"), "file.ini");
  EXPECT_EQ(toNativePath("\\Tessaglyph\\Scripts\\"), "/Tessaglyph/Scripts/");
}

class PathsFolderTest : public ::testing::Test {
 protected:
  test::SettingsSandbox sandbox;

  std::string path(const std::string& relative) const { return sandbox.root() + relative; }
  void makeFolder(const std::string& relative) const {
    std::filesystem::create_directories(path(relative));
  }
};

TEST_F(PathsFolderTest, ResolvesEachFolderLevelWithoutRegardToCase) {
  sandbox.writeFile("Harrowfeld/Tessaglyph/Scripts/Dem30.tgp", "x");
  const std::string wanted = path("Harrowfeld/Tessaglyph/Scripts/Dem30.tgp");
  EXPECT_EQ(resolvePath(sandbox.root() + "HARROWFELD\\TESSAGLYPH\\SCRIPTS\\DEM30.TGP"), wanted);
  EXPECT_EQ(resolvePath(sandbox.root() + "harrowfeld/tessaglyph/"), path("Harrowfeld/Tessaglyph/"));
  // A new file goes into the existing folder, under the name as given.
  EXPECT_EQ(resolvePath(sandbox.root() + "HARROWFELD\\TESSAGLYPH\\New.TGP"),
            path("Harrowfeld/Tessaglyph/New.TGP"));
  // Nothing there in any case: the path comes back as written, in native form.
  EXPECT_EQ(resolvePath(sandbox.root() + "Nowhere\\At\\All.ini"),
            sandbox.root() + "Nowhere/At/All.ini");
}

TEST_F(PathsFolderTest, ChoosesAmongNamesDifferingOnlyByCaseInAStableWay) {
  makeFolder("Data");
  makeFolder("DATA");
  makeFolder("data");
  // The exact spelling wins; otherwise the first in byte order.
  EXPECT_EQ(resolvePath(path("data")), path("data"));
  EXPECT_EQ(resolvePath(path("dAtA")), path("DATA"));
  // A deeper name found only below one of them selects that one.
  sandbox.writeFile("data/only-here.txt", "");
  EXPECT_EQ(resolvePath(path("DaTa/ONLY-HERE.TXT")), path("data/only-here.txt"));
}

TEST_F(PathsFolderTest, RelativePathsResolveFromTheCurrentFolder) {
  sandbox.writeFile("Rel/File.txt", "");
  const auto saved = std::filesystem::current_path();
  std::filesystem::current_path(sandbox.root());
  const std::string resolved = resolvePath("REL\\FILE.TXT");
  std::filesystem::current_path(saved);
  EXPECT_EQ(resolved, "Rel/File.txt");
}

TEST_F(PathsFolderTest, SettingsFolderFollowsXdgThenHomeThenTheCurrentFolder) {
  EXPECT_EQ(settingsFolder(), path("config/tessaglyph/"));
  sandbox.writeFile("config/tessaglyph/hftgdll.ini", "");
  EXPECT_EQ(settingsFilePath("HFTGDLL.INI"), path("config/tessaglyph/hftgdll.ini"));
  EXPECT_EQ(settingsFilePath(sandbox.root() + "other\\x.ini"), path("other/x.ini"));

  // A relative XDG folder is not to be used.
  test::SettingsSandbox::setVariable("XDG_CONFIG_HOME", "relative/config");
  EXPECT_EQ(settingsFolder(), path("home/.config/tessaglyph/"));
  test::SettingsSandbox::setVariable("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_EQ(settingsFolder(), path("home/.config/tessaglyph/"));
  test::SettingsSandbox::setVariable("HOME", std::nullopt);
  EXPECT_EQ(settingsFolder(), std::filesystem::current_path().native() + "/.tessaglyph/");
}

TEST_F(PathsFolderTest, BaseDirectoryFromTheEnvironmentThenTheRegistryFileThenTheDataFolder) {
  makeFolder("Harrowfeld");
  // Stored the Windows way: backslashes, another case, doubled trailing separators.
  sandbox.writeFile(
      "config/tessaglyph/hfregistry.ini",
      "[Config]\r\n harrowfelddirectory = \"" + sandbox.root() + "HARROWFELD\\\\\"\r\n");
  test::SettingsSandbox::setVariable("TESSAGLYPH_HOME", sandbox.root() + "env\\home//");
  EXPECT_EQ(baseDirectory(), path("env/home/"));
  test::SettingsSandbox::setVariable("TESSAGLYPH_HOME", "rel\\home");
  EXPECT_EQ(baseDirectory(), std::filesystem::current_path().native() + "/rel/home/");
  test::SettingsSandbox::setVariable("TESSAGLYPH_HOME", std::nullopt);
  EXPECT_EQ(baseDirectory(), path("Harrowfeld/"));

  // An empty entry counts as none: the data folder is used, and made.
  sandbox.writeFile("config/tessaglyph/hfregistry.ini", "[CONFIG]\nHarrowfeldDirectory=\n");
  EXPECT_EQ(baseDirectory(), path("data/tessaglyph/"));
  EXPECT_TRUE(std::filesystem::is_directory(path("data/tessaglyph")));
  test::SettingsSandbox::setVariable("XDG_DATA_HOME", std::nullopt);
  EXPECT_EQ(baseDirectory(), path("home/.local/share/tessaglyph/"));
  EXPECT_TRUE(std::filesystem::is_directory(path("home/.local/share/tessaglyph")));
}

TEST_F(PathsFolderTest, EnsureFolderCreatesParentsAndReportsFailure) {
  EXPECT_TRUE(ensureFolder(sandbox.root() + "a\\b\\c\\"));
  EXPECT_TRUE(std::filesystem::is_directory(path("a/b/c")));
  // An existing folder of another case is used rather than doubled.
  EXPECT_TRUE(ensureFolder(sandbox.root() + "A/B/C/D"));
  EXPECT_TRUE(std::filesystem::is_directory(path("a/b/c/D")));
  EXPECT_FALSE(std::filesystem::exists(path("A")));
  sandbox.writeFile("blocker", "file");
  EXPECT_FALSE(ensureFolder(path("blocker/sub")));
}

}  // namespace
}  // namespace tg
