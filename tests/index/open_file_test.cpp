#include <gtest/gtest.h>

#include <filesystem>

#include "source/source_file_test_support.hpp"
#include "tessaglyph/top_level_object.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

using test::raises;

class OpenFileTest : public test::SourceFileTest {
 protected:
  // Builds the script into a program file and returns its path.
  std::string writeScript(const test::ScriptSpec& spec, const std::string& name = "grid.tgp") {
    TessaglyphProgram program = assembleProgram(test::scriptSource(spec), "grid.tgs");
    const std::string path = home.root() + "scripts/" + name;
    std::filesystem::create_directories(home.root() + "scripts");
    EXPECT_GT(program.writeProgram(path, 1), 1);
    return path;
  }
};

TEST_F(OpenFileTest, OpensTheSourceWithItsScript) {
  const std::string script =
      writeScript(test::ScriptSpec()
                      .withProperties(".property boundsmode \"latlonbounding\"\n")
                      .withAttributes(test::latLonBounds())
                      .withValid("-1"));
  writeData();
  std::shared_ptr<TessaglyphFile> file = Tessaglyph().OpenFile(dataPath(), script);
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->isOpen());
  EXPECT_FALSE(file->isAreaFile());
  EXPECT_EQ(file->executeMode(), TG_F_EM_NORMAL);
  EXPECT_EQ(file->filename(), dataPath());
  EXPECT_EQ(file->scriptFilename(), script);
  EXPECT_EQ(variable(*file->machine(), "inits"), "1");
  EXPECT_EQ(file->machine()->predefinedVariables(TG_M_PVI_FILETITLE), "GRID");
  EXPECT_EQ(file->metrics().bounds.northLat, 36);
  EXPECT_TRUE(file->inBounds(35.5, -99.5));
  file->setCurrentDatum(file->metrics().datum);
  EXPECT_FLOAT_EQ(file->point(35.5, -99.25), -99250 + 35.5);
  file->closeSource();
  EXPECT_EQ(variable(*file->machine(), "terms"), "1");
}

TEST_F(OpenFileTest, ErrorsOfOpeningPassThrough) {
  writeData();
  const Tessaglyph top;
  // A script file that is not there (the reader reports why), or that holds no program.
  EXPECT_EQ(test::errorNumber([&] { top.OpenFile(dataPath(), home.root() + "none.tgp"); }),
            TG_F_E_CANTOPENFILE);
  home.writeFile("scripts/text.tgp", "not a program at all, just some text");
  EXPECT_EQ(test::errorNumber([&] { top.OpenFile(dataPath(), home.root() + "scripts/text.tgp"); }),
            10002);
  // The script refuses the file.
  const std::string refusing = writeScript(
      test::ScriptSpec().withAttributes(test::latLonBounds()).withValid("0"), "refusing.tgp");
  EXPECT_TRUE(raises([&] { top.OpenFile(dataPath(), refusing); }, 14006,
                     "The source file is invalid for the given script"));
  // No source file name.
  const std::string good =
      writeScript(test::ScriptSpec().withAttributes(test::latLonBounds()), "good.tgp");
  EXPECT_TRUE(raises([&] { top.OpenFile("", good); }, 14005, "Could not open the file."));
}

}  // namespace
}  // namespace tg
