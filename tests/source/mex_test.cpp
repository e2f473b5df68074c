// Direct grid access on small grids written for each test: the layout a script declares (as
// properties or through "byfile" attributes), the cell formats, the offset calculators, the
// grid lines, gathering and combining, writes, the highest and lowest values, and the machine
// and source-file members that answer from the access object.
#include "tessaglyph/mex.hpp"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "program/assembler.hpp"
#include "source/point_interpolation.hpp"
#include "source/scripted_user_interface.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/source_file.hpp"

namespace tg {
namespace {

constexpr float kNoPoint = -32100.0f;

// A grid file and a script that declares its layout. Every layout value is a "byfile" property
// answered by an attribute holding its text, unless `properties` gives it directly; `omit`
// leaves an attribute out, `failing` makes its read code divide by zero.
struct MexScript {
  std::map<std::string, std::string> layout = {
      {"mex_tableoffset", "0"},   {"mex_valueoffset", "0"},     {"mex_colstart", "10"},
      {"mex_rowstart", "50"},     {"mex_columnstep", "1"},      {"mex_rowstep", "-1"},
      {"mex_numcolumns", "5"},    {"mex_numrows", "4"},         {"mex_recordsize", "2"},
      {"mex_rowheadersize", "0"}, {"mex_rowsize", "automatic"}, {"mex_rowaxis", "y"},
      {"mex_endian", "little"},   {"mex_incrementor", "0"},     {"mex_multiplier", "1"},
      {"mex_dataoverride", "2"},  {"pixeltype", "SIGNEDINT"},
  };
  std::string capable = "true";
  std::string datapointType = "single";
  std::string omit;
  std::string failing;
  bool setsFile = true;
  std::string voidValue = "-32100";

  std::string source() const {
    std::string s =
        ".property gridtype \"latlon\"\n.property datum \"NAD27\"\n"
        ".property boundsmode \"latlonbounding\"\n.property mex_capable \"" +
        capable + "\"\n.property datavoidvalue \"" + voidValue + "\"\n" +
        ".var handle integer\n.routine init init\n.routine datapoint_read dp\n"
        ".attribute datapoint datapoint " +
        datapointType + " read dp\n";
    std::string code;
    // The extent, for a source file's metrics.
    for (const char* name : {"top_lat", "bottom_lat", "left_lon", "right_lon", "xres", "yres"}) {
      const std::string value = std::string(name) == "top_lat"      ? "50"
                                : std::string(name) == "bottom_lat" ? "47"
                                : std::string(name) == "left_lon"   ? "10"
                                : std::string(name) == "right_lon"  ? "14"
                                                                    : "1";
      s += ".attribute " + std::string(name) + " var ascii 32 read a_" + name + "\n";
      code += "a_" + std::string(name) + ":\n cast_ascii register\n load \"" + value +
              "\"\n cast_ascii p_return\n store p_return\n stop\n";
    }
    for (const auto& [name, value] : layout) {
      s += ".property " + name + " \"byfile\"\n";
      if (name == omit) continue;
      s += ".attribute " + name + " var ascii 32 read a_" + name + "\n";
      code += "a_" + name + ":\n";
      if (name == failing) code += " cast_double register\n load 1\n divide 0\n";
      code += " cast_ascii register\n load \"" + value +
              "\"\n cast_ascii p_return\n store p_return\n stop\n";
    }
    s += "init:\n open p_filename\n store handle\n";
    if (setsFile) s += " mex_setfile handle\n";
    s += " stop\ndp:\n cast_single p_return\n load -32100\n store p_return\n stop\n";
    return s + code;
  }
};

class MexTest : public ::testing::Test {
 protected:
  test::TemporaryFolder folder;

  std::string writeGrid(const std::string& bytes, const std::string& name = "grid.bin") {
    const std::string path = folder.folder() + name;
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
  }
  // A machine of the script on the file, INIT run.
  std::shared_ptr<TessaglyphMachine> machineFor(const MexScript& script, const std::string& path) {
    TessaglyphProgram program = assembleProgram(script.source(), "mex.tgs");
    auto machine = std::make_shared<TessaglyphMachine>();
    program.prepareMachine(machine);
    machine->setCurrentDatum("NAD27");
    machine->setFileInfo(path);
    machine->routine(TG_M_RAI_INIT);
    return machine;
  }
  // 4 rows x 5 columns of little-endian 16-bit values: row * 10 + col, rows from the north.
  static std::string gridOf16(const std::vector<int>& values) {
    std::string bytes;
    for (int v : values) {
      bytes += char(v & 0xFF);
      bytes += char((v >> 8) & 0xFF);
    }
    return bytes;
  }
  static std::vector<int> sequence() {
    std::vector<int> values;
    for (int row = 0; row < 4; ++row)
      for (int col = 0; col < 5; ++col)
        values.push_back(row * 10 + col);
    return values;
  }
};

// ---- Loading ----------------------------------------------------------------------------------

TEST_F(MexTest, LoadingReturnsItsCodeAndIsReadyOnlyOnSuccess) {
  struct Row {
    const char* what;
    void (*change)(MexScript&);
    TG_MEX_ERRORS expected;
  };
  const Row rows[] = {
      {"a valid layout", [](MexScript&) {}, TG_MEX_E_OK},
      {"not capable", [](MexScript& s) { s.capable = "false"; }, TG_MEX_E_NOTMEXCAPABLE},
      {"attribute missing", [](MexScript& s) { s.omit = "mex_numrows"; }, TG_MEX_E_MEXERROR},
      {"attribute read fails", [](MexScript& s) { s.failing = "mex_colstart"; }, TG_MEX_E_MEXERROR},
      {"no columns", [](MexScript& s) { s.layout["mex_numcolumns"] = "0"; },
       TG_MEX_E_INVALIDMEXSETTING},
      {"no rows", [](MexScript& s) { s.layout["mex_numrows"] = "-3"; }, TG_MEX_E_INVALIDMEXSETTING},
      {"zero column step", [](MexScript& s) { s.layout["mex_columnstep"] = "0"; },
       TG_MEX_E_INVALIDMEXSETTING},
      {"zero row step", [](MexScript& s) { s.layout["mex_rowstep"] = "0"; },
       TG_MEX_E_INVALIDMEXSETTING},
      {"negative table offset", [](MexScript& s) { s.layout["mex_tableoffset"] = "-1"; },
       TG_MEX_E_INVALIDMEXSETTING},
      {"negative value offset", [](MexScript& s) { s.layout["mex_valueoffset"] = "-2"; },
       TG_MEX_E_INVALIDMEXSETTING},
      {"negative row header", [](MexScript& s) { s.layout["mex_rowheadersize"] = "-2"; },
       TG_MEX_E_INVALIDMEXSETTING},
      {"row size zero", [](MexScript& s) { s.layout["mex_rowsize"] = "0"; },
       TG_MEX_E_INVALIDMEXSETTING},
      {"row size given", [](MexScript& s) { s.layout["mex_rowsize"] = "12"; }, TG_MEX_E_OK},
      {"row axis z", [](MexScript& s) { s.layout["mex_rowaxis"] = "z"; },
       TG_MEX_E_INVALIDMEXSETTING},
      {"no byte order", [](MexScript& s) { s.layout["mex_endian"] = ""; },
       TG_MEX_E_INVALIDMEXSETTING},
      {"no value kind", [](MexScript& s) { s.layout["pixeltype"] = "UNSIGNEDINT"; },
       TG_MEX_E_INVALIDMEXSETTING},
      {"width 3", [](MexScript& s) { s.layout["mex_dataoverride"] = "3"; },
       TG_MEX_E_INVALIDMEXSETTING},
      {"two-byte float", [](MexScript& s) { s.layout["pixeltype"] = "FLOAT"; },
       TG_MEX_E_INVALIDMEXSETTING},
      {"not a number", [](MexScript& s) { s.layout["mex_colstart"] = "ten"; },
       TG_MEX_E_INVALIDMEXSETTING},
      {"width from a double datapoint",
       [](MexScript& s) {
         s.layout["mex_dataoverride"] = "unspecified";
         s.datapointType = "double";
       },
       TG_MEX_E_INVALIDMEXSETTING},
      {"width from a single datapoint",
       [](MexScript& s) {
         s.layout["mex_dataoverride"] = "unspecified";
         s.layout["pixeltype"] = "float";
       },
       TG_MEX_E_OK},
      {"no file named", [](MexScript& s) { s.setsFile = false; }, TG_MEX_E_MEXFILEMISSING},
  };
  const std::string path = writeGrid(gridOf16(sequence()));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    MexScript script;
    row.change(script);
    auto machine = machineFor(script, path);
    machine->setErrorEventEnabled(false);  // a script error reaches the reader of the attribute
    TessaglyphMEX mex;
    EXPECT_EQ(mex.loadMEXParameters(*machine), row.expected);
    EXPECT_EQ(mex.ready(), row.expected == TG_MEX_E_OK);
    machine->setEnableMEX(true);
    EXPECT_EQ(machine->enableMEX(), row.expected == TG_MEX_E_OK);
    EXPECT_EQ(machine->mex() != nullptr, row.expected == TG_MEX_E_OK);
  }
}

TEST_F(MexTest, AutomaticRowSizeCountsTheRowHeader) {
  MexScript script;
  script.layout["mex_numcolumns"] = "100";
  script.layout["mex_rowheadersize"] = "8";
  auto machine = machineFor(script, writeGrid(std::string(4 * 208, '\0')));
  TessaglyphMEX mex;
  ASSERT_EQ(mex.loadMEXParameters(*machine), TG_MEX_E_OK);
  EXPECT_EQ(mex.rowSize(), 208);
  EXPECT_EQ(mex.elvOffset(12, 49), 208 + 8 + 2 * 2);
  mex.Clear();
  EXPECT_FALSE(mex.ready());
  EXPECT_EQ(mex.elvOffset(12, 49), -1);
}

// ---- Cell formats -----------------------------------------------------------------------------

// Each format read back from bytes written in it, with the multiplier and incrementor applied
// after the void test.
TEST_F(MexTest, EveryCellFormatReadsItsValues) {
  struct Row {
    const char* kind;
    const char* endian;
    const char* width;
    TessaglyphMEX::CellFormat format;
  };
  const Row rows[] = {
      {"FLOAT", "little", "4", TessaglyphMEX::kFloatLittle},
      {"SIGNEDINT", "big", "4", TessaglyphMEX::kLong4Big},
      {"SIGNEDINT", "big", "2", TessaglyphMEX::kInteger2Big},
      {"SIGNEDINT", "little", "4", TessaglyphMEX::kLong4Little},
      {"SIGNEDINT", "little", "2", TessaglyphMEX::kInteger2Little},
      {"SIGNEDINT", "little", "1", TessaglyphMEX::kByteLittle},
      {"SIGNEDINT", "big", "5", TessaglyphMEX::kByteBig},
      {"FLOAT", "big", "4", TessaglyphMEX::kFloatBig},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.kind + std::string(" ") + row.endian + " " + row.width);
    const int width = row.width[0] == '5' ? 1 : row.width[0] - '0';
    const bool big = std::string(row.endian) == "big";
    const bool isFloat = std::string(row.kind) == "FLOAT";
    // 20 cells: the void marker, a negative value where the width allows, then ascending.
    std::vector<double> values;
    for (int i = 0; i < 20; ++i)
      values.push_back(isFloat ? i * 1.25 - 3 : (width == 1 ? i * 7 : i * 1000 - 9000));
    values[0] = width == 1 ? 0 : -32100;
    std::string bytes;
    for (double v : values) {
      std::uint32_t bits =
          isFloat ? std::bit_cast<std::uint32_t>(float(v)) : std::uint32_t(std::int32_t(v));
      for (int b = 0; b < width; ++b) {
        const int shift = big ? 8 * (width - 1 - b) : 8 * b;
        bytes += char((bits >> shift) & 0xFF);
      }
    }
    MexScript script;
    script.layout["pixeltype"] = row.kind;
    script.layout["mex_endian"] = row.endian;
    script.layout["mex_dataoverride"] = row.width;
    script.layout["mex_recordsize"] = std::to_string(width);
    script.layout["mex_multiplier"] = "2";
    script.layout["mex_incrementor"] = "0.5";
    if (width == 1) script.voidValue = "-32000";
    auto machine = machineFor(script, writeGrid(bytes));
    if (width == 1) machine->setDatavoidValue(0);  // byte grids mark voids with 0
    TessaglyphMEX mex;
    ASSERT_EQ(mex.loadMEXParameters(*machine), TG_MEX_E_OK);
    EXPECT_EQ(mex.cellFormat(), row.format);
    for (int cell = 0; cell < 20; ++cell) {
      const auto point = mex.PointRowCol(cell / 5, cell % 5);
      const float expected = cell == 0 ? kNoPoint : float(values[std::size_t(cell)] * 2 + 0.5);
      EXPECT_EQ(point->z(), expected) << "cell " << cell;
      EXPECT_EQ(point->IsGood(), cell != 0);
    }
  }
}

// ---- Offset calculators -----------------------------------------------------------------------

TEST(MexOffsetCalc, EachOrientationHasItsCalculator) {
  struct Row {
    const char* axis;
    double columnStep;
    double rowStep;
    int calculator;  // 1..8, 0 for none
    Long xStep;      // with row size 100 and record size 2
    Long yStep;
  };
  const Row rows[] = {
      {"y", 1, 1, 1, 2, 100},     {"y", -1, 1, 2, -2, 100},   {"y", 1, -1, 3, 2, -100},
      {"y", -1, -1, 4, -2, -100}, {"x", 1, 1, 5, 100, 2},     {"x", -1, 1, 6, 100, -2},
      {"x", 1, -1, 7, -100, 2},   {"x", -1, -1, 8, -100, -2}, {"y", 0, 1, 0, 0, 0},
      {"x", 1, 0, 0, 0, 0},       {"z", 1, 1, 0, 0, 0},
  };
  const TessaglyphMEXSelector selector;
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.axis) + " " + std::to_string(row.columnStep) + " " +
                 std::to_string(row.rowStep));
    const auto calculator = selector.getCalculator(row.axis, row.rowStep, row.columnStep);
    if (row.calculator == 0) {
      EXPECT_EQ(calculator, nullptr);
      continue;
    }
    ASSERT_NE(calculator, nullptr);
    EXPECT_EQ(calculator, selector.calculators()[std::size_t(row.calculator - 1)]);
    const Array<Long> offsets = calculator->calculate(1000, 12, 100, 2);
    ASSERT_EQ(offsets.size(), 12u);
    for (Long k = 0; k < 12; ++k) {
      const auto& step = TessaglyphMEXOffsetCalc::kPointSteps[std::size_t(k)];
      EXPECT_EQ(offsets[k], 1000 + step[0] * row.xStep + step[1] * row.yStep) << "point " << k;
    }
    EXPECT_EQ(calculator->calculate(0, 4, 100, 2).size(), 4u);
  }
  // Rows stored from the north: one step north (q1) is one row back.
  EXPECT_EQ(selector.getCalculator("y", -1, 1)->calculate(1000, 4, 100, 2)[1], 900);
  EXPECT_THROW((void)selector.calculators()[0]->calculate(0, 3, 100, 2), Error);
}

// ---- Grid lines and gathering -----------------------------------------------------------------

TEST_F(MexTest, GridLinesRoundAndTruncateByTheAxisDirection) {
  MexScript script;
  script.layout["mex_colstart"] = "100";
  script.layout["mex_columnstep"] = "-1";
  script.layout["mex_numcolumns"] = "200";
  script.layout["mex_rowstart"] = "10";
  script.layout["mex_rowstep"] = "0.5";
  auto machine = machineFor(script, writeGrid(std::string(4 * 400, '\0')));
  TessaglyphMEX mex;
  ASSERT_EQ(mex.loadMEXParameters(*machine), TG_MEX_E_OK);
  EXPECT_EQ(mex.greatestSmallerX(50.5), 50);
  EXPECT_EQ(mex.greatestSmallerX(50), 50);      // on a line: that line
  EXPECT_EQ(mex.greatestSmallerX(100.5), 100);  // beyond column 0 of a backward axis
  EXPECT_EQ(mex.greatestSmallerY(9.9), 9.5);    // before row 0: one step before it
  EXPECT_EQ(mex.closestX(50.5), 50);            // 49.5 steps: halves to even
  EXPECT_EQ(mex.closestX(51.5), 52);            // 48.5 steps
  EXPECT_EQ(mex.greatestSmallerY(10.7), 10.5);
  EXPECT_EQ(mex.closestY(10.75), 11);  // 1.5 steps
  EXPECT_EQ(mex.closestY(10.25), 10);  // 0.5 steps
  Long row = 0, col = 0;
  mex.ClosestRowCol(97.4, 11.1, row, col);
  EXPECT_EQ(row, 2);
  EXPECT_EQ(col, 3);
  mex.ClosestRowCol(1e300, -1e300, row, col);  // far off the grid, and still no overflow
  EXPECT_LT(row, 0);
  EXPECT_LT(col, 0);
  EXPECT_EQ(mex.elvOffset(1e300, -1e300), -1);
}

TEST_F(MexTest, GatheringFollowsThePointOrderAndCountsMissingPoints) {
  auto machine = machineFor(MexScript{}, writeGrid(gridOf16(sequence())));
  TessaglyphMEX mex;
  ASSERT_EQ(mex.loadMEXParameters(*machine), TG_MEX_E_OK);
  EXPECT_FALSE(mex.lastInterpDataSet());
  try {
    (void)mex.lastInterpData();
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 34005);
    EXPECT_EQ(e.source(), "TessaglyphMEX::lastInterpData Get");
    EXPECT_EQ(e.description(), "There is no interpolation data to provide");
  }
  // Columns 10..14 eastwards, rows 50..47 southwards; (11.25, 48.5) lies in the cell whose
  // south-west node is column 1, row 2 (latitude 48).
  mex.setInterpolationMode(TG_M_IM_12POINT);
  const TG_M_INTERPDATA data = mex.interpData(11.25, 48.5);
  EXPECT_TRUE(mex.lastInterpDataSet());
  EXPECT_EQ(data.numPoints, 12);
  EXPECT_EQ(data.targetX, 11.25);
  EXPECT_EQ(data.targetY, 48.5);
  // (i, j) steps east and north from the anchor at row 2, column 1.
  for (int k = 0; k < 12; ++k) {
    const auto& step = TessaglyphMEXOffsetCalc::kPointSteps[std::size_t(k)];
    const int row = 2 - step[1], col = 1 + step[0];
    EXPECT_EQ(data.x[std::size_t(k)], 11 + step[0]) << k;
    EXPECT_EQ(data.y[std::size_t(k)], 48 + step[1]) << k;
    const float expected =
        row >= 0 && row < 4 && col >= 0 && col < 5 ? float(row * 10 + col) : kNoPoint;
    EXPECT_EQ(data.z[std::size_t(k)], expected) << k;
  }
}

TEST_F(MexTest, PointValuesByMode) {
  std::vector<int> values = sequence();
  values[3 * 5 + 4] = -32768;  // a void at row 3, column 4 (14, 47)
  auto machine = machineFor(MexScript{}, writeGrid(gridOf16(values)));
  TessaglyphMEX mex;
  ASSERT_EQ(mex.loadMEXParameters(*machine), TG_MEX_E_OK);
  struct Row {
    TG_M_INTERPOLATIONMODES mode;
    double x, y;
    float expected;
  };
  const Row rows[] = {
      {TG_M_IM_NONE, 11.4, 48.6, 11},          // nearest: row 1 (49), column 1
      {TG_M_IM_NONE, 13.9, 47.1, kNoPoint},    // nearest is the void
      {TG_M_IM_NONE, 9.4, 48, kNoPoint},       // off the grid
      {TG_M_IM_NONE, 9.6, 48, 20},             // rounds onto column 0
      {TG_M_IM_CLOSESTPOINT, 11.9, 48.9, 21},  // the anchor, row 2 column 1
      {TG_M_IM_MAX4, 11.5, 48.5, 22},          // the largest of 21, 11, 12, 22
      {TG_M_IM_4POINT, 11.5, 48.5, 16.5f},     // the mean of 11, 12, 21, 22
      {TG_M_IM_4POINT, 13.5, 47.5, -32101},    // next to the void
      {TG_M_IM_4POINT, 14.5, 48.5, -32101},    // east of the grid
      {TG_M_IM_12POINT, 11.5, 48.5, 16.5f},    // a plane is reproduced
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(int(row.mode)) + " at " + std::to_string(row.x) + ", " +
                 std::to_string(row.y));
    mex.setInterpolationMode(row.mode);
    EXPECT_FLOAT_EQ(mex.pointElv(row.x, row.y), row.expected);
  }
  EXPECT_EQ(mex.accessCount(), Long(std::size(rows)));
  mex.resetAccessData();
  EXPECT_EQ(mex.accessCount(), 0);
}

// A raw value at or below the machine's void is void before the multiplier could move it.
TEST_F(MexTest, VoidIsTestedOnTheRawValue) {
  MexScript script;
  script.layout["mex_multiplier"] = "-1";
  std::vector<int> values = sequence();
  values[0] = -32100;
  values[1] = -32101;
  values[2] = -32099;
  auto machine = machineFor(script, writeGrid(gridOf16(values)));
  TessaglyphMEX mex;
  ASSERT_EQ(mex.loadMEXParameters(*machine), TG_MEX_E_OK);
  EXPECT_EQ(mex.PointRowCol(0, 0)->z(), kNoPoint);
  EXPECT_EQ(mex.PointRowCol(0, 1)->z(), kNoPoint);
  EXPECT_EQ(mex.PointRowCol(0, 2)->z(), 32099);
  EXPECT_FALSE(mex.PointRowCol(-1, 2)->IsGood());
  EXPECT_EQ(mex.PointRowCol(3, 4)->x(), 14);
  EXPECT_EQ(mex.PointRowCol(3, 4)->y(), 47);
}

// A file cut short under the grid: the cells beyond its end fail as reads, not as errors.
TEST_F(MexTest, CellsBeyondTheEndOfTheFileAreRetrievalErrors) {
  auto machine = machineFor(MexScript{}, writeGrid(gridOf16(sequence()).substr(0, 30)));
  TessaglyphMEX mex;
  ASSERT_EQ(mex.loadMEXParameters(*machine), TG_MEX_E_OK);
  EXPECT_EQ(mex.PointRowCol(1, 4)->z(), 14);
  EXPECT_EQ(mex.PointRowCol(3, 0)->z(), -52000);
  mex.setInterpolationMode(TG_M_IM_4POINT);
  EXPECT_EQ(mex.pointElv(10.5, 47.5), -52000);
}

// ---- Writes -----------------------------------------------------------------------------------

TEST_F(MexTest, WritesStoreWhatReadsGiveBack) {
  struct Row {
    const char* kind;
    const char* endian;
    const char* width;
    float value;
    int error;  // 0: written
  };
  const Row rows[] = {
      {"SIGNEDINT", "little", "2", 1234, 0},   {"SIGNEDINT", "big", "2", -77, 0},
      {"SIGNEDINT", "little", "4", 123456, 0}, {"SIGNEDINT", "big", "4", 654321, 0},
      {"SIGNEDINT", "little", "1", 200, 0},    {"FLOAT", "little", "4", 12.75f, 0},
      {"FLOAT", "big", "4", 1, 34007},         {"SIGNEDINT", "little", "2", 40000, 6},
      {"SIGNEDINT", "little", "1", 256, 6},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.kind + std::string(" ") + row.endian + " " + row.width);
    MexScript script;
    const int width = row.width[0] - '0';
    script.layout["pixeltype"] = row.kind;
    script.layout["mex_endian"] = row.endian;
    script.layout["mex_dataoverride"] = row.width;
    script.layout["mex_recordsize"] = std::to_string(width);
    auto machine = machineFor(script, writeGrid(std::string(std::size_t(20 * width), '\0')));
    TessaglyphMEX mex;
    ASSERT_EQ(mex.loadMEXParameters(*machine), TG_MEX_E_OK);
    try {
      mex.setPointElv(12, 49, row.value);
      EXPECT_EQ(row.error, 0);
      EXPECT_EQ(mex.PointRowCol(1, 2)->z(), row.value);
      EXPECT_EQ(mex.PointRowCol(1, 3)->z(), 0);  // the neighbour is untouched
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), row.error);
    }
  }
}

TEST_F(MexTest, WritesOffTheGridAreRefusedAndVoidsStayVoid) {
  auto machine = machineFor(MexScript{}, writeGrid(gridOf16(sequence())));
  TessaglyphMEX mex;
  ASSERT_EQ(mex.loadMEXParameters(*machine), TG_MEX_E_OK);
  try {
    mex.setPointElv(20, 49, 1);
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 34002);
    EXPECT_EQ(e.source(), "TessaglyphMEX::pointElv Let");
  }
  mex.setPointElv(10, 50, -32100);
  EXPECT_EQ(mex.PointRowCol(0, 0)->z(), kNoPoint);
}

// ---- Highest and lowest -----------------------------------------------------------------------

TEST_F(MexTest, HighestAndLowestValuesSkipVoidsAndACancelAsks) {
  std::vector<int> values = sequence();
  values[19] = -32768;  // the corner that would be highest is void
  values[7] = -5;
  auto machine = machineFor(MexScript{}, writeGrid(gridOf16(values)));
  machine->setEnableMEX(true);
  std::shared_ptr<XYZPoint> high, low;
  EXPECT_TRUE(machine->GetHiLoValues(high, low, false));
  EXPECT_EQ(*high, XYZPoint(13, 47, 33, true));
  EXPECT_EQ(*low, XYZPoint(12, 49, -5, true));

  test::ScriptedUserInterface ui;
  ui.cancelWindows = true;
  ui.answers = {MBR_NO, MBR_YES};  // go on after the first row, stop after the second
  EXPECT_FALSE(machine->GetHiLoValues(high, low, true));
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[1].title, "Cancel Scan?");
  EXPECT_EQ(ui.boxes[1].style & MB_BUTTONSMASK, MB_YESNO);
  EXPECT_EQ(ui.boxes[1].prompt,
            "Do you want to CANCEL this scan?\r\n\r\nThe current values from the file are:\r\n"
            "High: 14\r\nLow: -5\r\n\r\nClick Yes to CANCEL\r\nClick No to continue scanning "
            "the file.");
  EXPECT_EQ(ui.windowEvents.front(), "create Getting file min/max values");
  EXPECT_EQ(ui.windowEvents[1], "text Scanning file ...");
  EXPECT_EQ(ui.windowEvents[2], "show");
}

// ---- The machine and the source file ----------------------------------------------------------

TEST_F(MexTest, TheMachineAnswersFromTheAccessObjectWhileItHoldsOne) {
  auto machine = machineFor(MexScript{}, writeGrid(gridOf16(sequence())));
  EXPECT_EQ(machine->datapoint_read_rowcol(0, 0), nullptr);
  Long row = 0, col = 0;
  machine->ClosestRowCol(11, 49, row, col);
  EXPECT_EQ(row, -1);
  EXPECT_EQ(col, -1);

  machine->setEnableMEX(true);
  ASSERT_TRUE(machine->enableMEX());
  machine->setInterpolationMode(TG_M_IM_CLOSESTPOINT);
  EXPECT_EQ(machine->datapoint_read(11.4, 48.6), 11);  // the nearest node, as by the script
  EXPECT_FALSE(machine->isLastInterpDataSet());        // one cell read, no points gathered
  machine->setInterpolationMode(TG_M_IM_MAX4);         // the machine's MAX4 is 4-point
  EXPECT_FLOAT_EQ(machine->datapoint_read(11.5, 48.5), 16.5f);
  // The points come back in the machine's own order: (1, 0), (0, 0), (0, 1), (1, 1).
  ASSERT_TRUE(machine->isLastInterpDataSet());
  const TG_M_INTERPDATA gathered = machine->lastInterpData();
  ASSERT_EQ(gathered.numPoints, 4);
  EXPECT_EQ(gathered.x[0], 12);
  EXPECT_EQ(gathered.y[0], 48);
  const std::array<Single, 4> corners = {22, 21, 11, 12};
  for (std::size_t k = 0; k < corners.size(); ++k)
    EXPECT_EQ(gathered.z[k], corners[k]) << "point " << k;
  EXPECT_EQ(machine->accessCount(), 2);
  EXPECT_EQ(machine->mex()->accessCount(), 2);
  EXPECT_EQ(machine->lastAccess(), machine->mex()->lastAccess());
  EXPECT_EQ(machine->datapoint_read_rowcol(3, 4)->z(), 34);
  machine->ClosestRowCol(11.4, 48.6, row, col);
  EXPECT_EQ(row, 1);
  EXPECT_EQ(col, 1);
  machine->resetAccessData();
  EXPECT_EQ(machine->mex()->accessCount(), 0);

  // A write goes to the cell, under the data lock like any other.
  EXPECT_THROW(machine->datapoint_write(12, 49, 5), Error);
  machine->setDataLock(TG_M_DL_FALSE);
  machine->datapoint_write(12, 49, 5);
  EXPECT_EQ(machine->datapoint_read_rowcol(1, 2)->z(), 5);

  machine->setEnableMEX(false);
  EXPECT_EQ(machine->mex(), nullptr);
  machine->setEnableMEX(true);
  machine->Clear();
  EXPECT_FALSE(machine->enableMEX());
}

TEST_F(MexTest, AnOpenedSourceFileReadsAndWritesThroughDirectAccess) {
  test::TemporaryHome home;
  const std::string path = writeGrid(gridOf16(sequence()));
  TessaglyphProgram program = assembleProgram(MexScript{}.source(), "mex.tgs");
  auto machine = std::make_shared<TessaglyphMachine>();
  program.prepareMachine(machine);
  machine->setCurrentDatum("NAD27");
  auto file = std::make_shared<TessaglyphFile>();
  file->setMachine(machine);
  file->setFilename(path);
  EXPECT_FALSE(machine->enableMEX());
  file->openSource();
  ASSERT_TRUE(machine->enableMEX());
  file->setDataLock(TG_M_DL_FALSE);
  file->setPoint(49, 12, 77);  // no write routine: direct access makes the point writable
  EXPECT_EQ(file->point(49, 12), 77);
  EXPECT_EQ(file->PointRowCol(1, 2)->z(), 77);
  Long row = 0, col = 0;
  file->ClosestRowCol(12.2, 48.9, row, col);
  EXPECT_EQ(row, 1);
  EXPECT_EQ(col, 2);
  std::shared_ptr<XYZPoint> high, low;
  EXPECT_TRUE(file->GetHiLoValues(high, low, false));
  EXPECT_EQ(high->z(), 77);
  EXPECT_EQ(low->z(), 0);
}

}  // namespace
}  // namespace tg
