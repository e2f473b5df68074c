// A package installed into a sandboxed base directory with the library's own index and settings:
// the script and the grids are registered, and uninstalling restores both the folders and the
// index.
#include <gtest/gtest.h>

#include "formats/format_test_support.hpp"
#include "index/index_state.hpp"
#include "index/index_test_support.hpp"
#include "package_test_support.hpp"
#include "tessaglyph/package.hpp"

namespace tg {
namespace {

class PackageWithIndex : public test::IndexTest {
 protected:
  // Every script and source record, in table order: what install and uninstall may change.
  std::vector<std::string> indexRows() {
    std::vector<std::string> rows;
    for (Long i = 0; i < index.numScriptIndexRecords(); ++i)
      rows.push_back(index.getScriptIndexRecord(i).scriptName + " " +
                     index.getScriptIndexRecord(i).scriptFile);
    for (Long i = 0; i < index.numIndexRecords(); ++i)
      rows.push_back(index::recordPath(index.getIndexRecord(i)) + " " +
                     index.getIndexRecord(i).scriptFile);
    return rows;
  }
  // A small ESRI ASCII grid shipped with the package.
  std::string shippedGrid(const std::string& name, int rows, int cols) {
    std::filesystem::create_directories(home.root() + "shipped");
    std::vector<double> values;
    for (int i = 0; i < rows * cols; ++i)
      values.push_back(formats_test::surfaceValue(i / cols, i % cols));
    formats_test::writeAscii(home.root() + "shipped/" + name, rows, cols, {}, values);
    return home.root() + "shipped/" + name;
  }
};

TEST_F(PackageWithIndex, InstallRegistersScriptAndGridsAndUninstallRestoresEverything) {
  std::filesystem::create_directories(home.base() + "Tessaglyph/QPK Uninstall");
  index.indexScriptFile(formats_test::scriptProgram("esri_bil"), "OTHER", "*.bil");
  const auto treeBefore = test::treeOf(home.base());
  const auto rowsBefore = indexRows();

  TessaglyphQPK qpk;
  qpk.setUid("GRIDS");
  qpk.addScript(formats_test::scriptProgram("esri_ascii"), "ESRI_ASCII");
  qpk.setScriptsDestination("%HF_SCRIPTSDIR");
  qpk.addSource(shippedGrid("north.asc", 5, 7), "ESRI_ASCII");
  qpk.addSource(shippedGrid("south.asc", 6, 4), "esri_ascii");
  qpk.setSourceDestination("%HF_SOURCEDIR/Grids");
  const auto log = qpk.install();

  const std::string scripts = Tessaglyph().iniHProgramsDir() + "/";
  const std::string grids = Tessaglyph().iniHSourceDataDir() + "/Grids/";
  std::vector<std::string> rows = rowsBefore;
  rows.insert(rows.begin() + 1, "ESRI_ASCII " + scripts + "esri_ascii.tgp");
  for (const char* name : {"north.asc", "south.asc"})
    rows.push_back(grids + name + " " + scripts + "esri_ascii.tgp");
  EXPECT_EQ(indexRows(), rows);

  TessaglyphQPKUninstall fromDisk;
  fromDisk.load(log->logFilename());
  fromDisk.uninstall();
  EXPECT_EQ(test::treeOf(home.base()), treeBefore);
  EXPECT_EQ(indexRows(), rowsBefore);
  EXPECT_EQ(index.findScript("ESRI_ASCII"), -1);
}

}  // namespace
}  // namespace tg
