// Opening a source file with its script through the top-level object.
#include <gtest/gtest.h>

#include "index_test_support.hpp"
#include "tessaglyph/top_level_object.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

using OpenFileTest = test::IndexTest;
struct Machine : test::SourceFileTest {
  using test::SourceFileTest::variable;
};

TEST_F(OpenFileTest, OpensTheSourceWithItsScript) {
  const std::string script =
      writeScript(test::ScriptSpec()
                      .withProperties(".property boundsmode \"latlonbounding\"\n")
                      .withAttributes(test::latLonBounds())
                      .withValid("-1"),
                  "grid");
  std::shared_ptr<TessaglyphFile> file = Tessaglyph().OpenFile(dataFile("grid.dat"), script);
  ASSERT_TRUE(file);
  EXPECT_TRUE(file->isOpen());
  EXPECT_EQ(file->filename(), home.root() + "data/grid.dat");
  EXPECT_EQ(file->scriptFilename(), script);
  EXPECT_EQ(Machine::variable(*file->machine(), "inits"), "1");
  EXPECT_EQ(file->machine()->predefinedVariables(TG_M_PVI_FILETITLE), "GRID");
  EXPECT_EQ(file->metrics().bounds.northLat, 36);
  EXPECT_TRUE(file->inBounds(35.5, -99.5));
  file->setCurrentDatum(file->metrics().datum);
  EXPECT_FLOAT_EQ(file->point(35.5, -99.25), -99250 + 35.5);
  file->closeSource();
  EXPECT_EQ(Machine::variable(*file->machine(), "terms"), "1");
}

// A script file that is not there (the reader reports why) or holds no program, a script that
// refuses the file, and no file name.
TEST_F(OpenFileTest, ErrorsOfOpeningPassThrough) {
  const std::string data = dataFile("grid.dat");
  const Tessaglyph top;
  EXPECT_EQ(test::errorNumber([&] { top.OpenFile(data, home.root() + "none.tgp"); }),
            TG_F_E_CANTOPENFILE);
  home.writeFile("scripts/text.tgp", "not a program at all, just some text");
  EXPECT_EQ(test::errorNumber([&] { top.OpenFile(data, home.root() + "scripts/text.tgp"); }),
            10002);
  const std::string refusing = writeScript(
      test::ScriptSpec().withAttributes(test::latLonBounds()).withValid("0"), "refusing");
  EXPECT_TRUE(test::raises([&] { top.OpenFile(data, refusing); }, 14006,
                           "The source file is invalid for the given script"));
  const std::string good =
      writeScript(test::ScriptSpec().withAttributes(test::latLonBounds()), "good");
  EXPECT_TRUE(test::raises([&] { top.OpenFile("", good); }, 14005, "Could not open the file."));
}

}  // namespace
}  // namespace tg
