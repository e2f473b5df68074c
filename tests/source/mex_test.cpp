// Direct grid access on small grids written for each test: the layout a script declares through
// "byfile" attributes, the cell formats, the offset calculators, grid lines, gathering and
// combining, writes, the highest and lowest values, and the machine and source-file members that
// answer from the access object.
#include "tessaglyph/mex.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "program/assembler.hpp"
#include "source/scripted_user_interface.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/error.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/source_file.hpp"

namespace tg {
namespace {

constexpr float kNoPoint = -32100.0f;

// A script that declares its grid's layout, every value a "byfile" property answered by an
// attribute holding its text; `omit` leaves an attribute out, `failing` makes its code divide by
// zero. The default grid: 5 columns from x 10 eastwards, 4 rows from y 50 southwards, 2-byte
// little-endian integers.
struct MexScript {
  std::map<std::string, std::string> layout = {
      {"mex_tableoffset", "0"},   {"mex_valueoffset", "0"},     {"mex_colstart", "10"},
      {"mex_rowstart", "50"},     {"mex_columnstep", "1"},      {"mex_rowstep", "-1"},
      {"mex_numcolumns", "5"},    {"mex_numrows", "4"},         {"mex_recordsize", "2"},
      {"mex_rowheadersize", "0"}, {"mex_rowsize", "automatic"}, {"mex_rowaxis", "y"},
      {"mex_endian", "little"},   {"mex_incrementor", "0"},     {"mex_multiplier", "1"},
      {"mex_dataoverride", "2"},  {"pixeltype", "SIGNEDINT"},
  };
  std::string capable = "true", datapointType = "single", omit, failing;
  bool setsFile = true;

  std::string source() const {
    std::string s =
        ".property gridtype \"latlon\"\n.property datum \"NAD27\"\n"
        ".property boundsmode \"latlonbounding\"\n.property mex_capable \"" +
        capable + "\"\n.var handle integer\n.routine init init\n" +
        ".routine datapoint_read dp\n.attribute datapoint datapoint " + datapointType +
        " read dp\n";
    std::string code;
    std::map<std::string, std::string> values = layout;
    for (const auto& [name, value] : std::map<std::string, std::string>{{"top_lat", "50"},
                                                                        {"bottom_lat", "47"},
                                                                        {"left_lon", "10"},
                                                                        {"right_lon", "14"},
                                                                        {"xres", "1"},
                                                                        {"yres", "1"}}) {
      values[name] = value;  // the extent, for a source file's metrics
    }
    for (const auto& [name, value] : values) {
      if (name.starts_with("mex_") || name == "pixeltype")
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
    return s + " stop\ndp:\n cast_single p_return\n load -32100\n store p_return\n stop\n" + code;
  }
};

// Row * 10 + col for each of the 20 cells, as little-endian 16-bit values.
std::vector<int> sequence() {
  std::vector<int> values;
  for (int cell = 0; cell < 20; ++cell)
    values.push_back(cell / 5 * 10 + cell % 5);
  return values;
}

std::string bytesOf(const std::vector<double>& values, int width, bool big, bool isFloat) {
  std::string bytes;
  for (double v : values) {
    const std::uint32_t bits =
        isFloat ? std::bit_cast<std::uint32_t>(float(v)) : std::uint32_t(std::int32_t(v));
    for (int b = 0; b < width; ++b)
      bytes += char((bits >> (big ? 8 * (width - 1 - b) : 8 * b)) & 0xFF);
  }
  return bytes;
}

std::string gridOf16(const std::vector<int>& values) {
  return bytesOf(std::vector<double>(values.begin(), values.end()), 2, false, false);
}

class MexTest : public ::testing::Test {
 protected:
  test::TemporaryFolder folder;

  std::string writeGrid(const std::string& bytes) {
    const std::string path = folder.folder() + "grid.bin";
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
  }
  // A machine of the script on the file, INIT run.
  static std::shared_ptr<TessaglyphMachine> machineFor(const MexScript& script,
                                                       const std::string& path) {
    auto machine = std::make_shared<TessaglyphMachine>();
    assembleProgram(script.source(), "mex.tgs").prepareMachine(machine);
    machine->setCurrentDatum("NAD27");
    machine->setFileInfo(path);
    machine->routine(TG_M_RAI_INIT);
    return machine;
  }
  // An access object loaded from the script over the bytes.
  std::unique_ptr<TessaglyphMEX> loaded(const MexScript& script, const std::string& bytes) {
    m_machine = machineFor(script, writeGrid(bytes));
    auto mex = std::make_unique<TessaglyphMEX>();
    EXPECT_EQ(mex->loadMEXParameters(*m_machine), TG_MEX_E_OK);
    return mex;
  }
  std::shared_ptr<TessaglyphMachine> m_machine;
};

TEST_F(MexTest, LoadingReturnsItsCodeAndIsReadyOnlyOnSuccess) {
  struct Row {
    const char *what, *name, *value;
    TG_MEX_ERRORS expected;
  };
  const Row rows[] = {
      {"valid", "", "", TG_MEX_E_OK},
      {"row size given", "mex_rowsize", "12", TG_MEX_E_OK},
      {"one-byte type", "mex_dataoverride", "1", TG_MEX_E_OK},
      {"double type", "mex_dataoverride", "4", TG_MEX_E_INVALIDMEXSETTING},
      {"text type", "mex_dataoverride", "5", TG_MEX_E_INVALIDMEXSETTING},
      {"no columns", "mex_numcolumns", "0", TG_MEX_E_INVALIDMEXSETTING},
      {"no rows", "mex_numrows", "-3", TG_MEX_E_INVALIDMEXSETTING},
      {"zero column step", "mex_columnstep", "0", TG_MEX_E_INVALIDMEXSETTING},
      {"zero row step", "mex_rowstep", "0", TG_MEX_E_INVALIDMEXSETTING},
      {"negative table offset", "mex_tableoffset", "-1", TG_MEX_E_INVALIDMEXSETTING},
      {"negative value offset", "mex_valueoffset", "-2", TG_MEX_E_INVALIDMEXSETTING},
      {"negative row header", "mex_rowheadersize", "-2", TG_MEX_E_INVALIDMEXSETTING},
      {"row size zero", "mex_rowsize", "0", TG_MEX_E_INVALIDMEXSETTING},
      {"row axis z", "mex_rowaxis", "z", TG_MEX_E_INVALIDMEXSETTING},
      {"no byte order", "mex_endian", "", TG_MEX_E_INVALIDMEXSETTING},
      {"no value kind", "pixeltype", "UNSIGNEDINT", TG_MEX_E_INVALIDMEXSETTING},
      {"two-byte float", "pixeltype", "FLOAT", TG_MEX_E_INVALIDMEXSETTING},
      {"not a number", "mex_colstart", "ten", TG_MEX_E_INVALIDMEXSETTING},
      {"not capable", "capable", "false", TG_MEX_E_NOTMEXCAPABLE},
      {"attribute missing", "omit", "mex_numrows", TG_MEX_E_MEXERROR},
      {"attribute read fails", "failing", "mex_colstart", TG_MEX_E_MEXERROR},
      {"type of a double datapoint", "datapoint", "double", TG_MEX_E_INVALIDMEXSETTING},
      {"type of a single datapoint", "datapoint", "single", TG_MEX_E_OK},
      {"no file named", "setsFile", "", TG_MEX_E_MEXFILEMISSING},
  };
  const std::string path = writeGrid(gridOf16(sequence()));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    MexScript script;
    const std::string name = row.name;
    if (name == "capable")
      script.capable = row.value;
    else if (name == "omit")
      script.omit = row.value;
    else if (name == "failing")
      script.failing = row.value;
    else if (name == "setsFile")
      script.setsFile = false;
    else if (name == "datapoint") {
      script.datapointType = row.value;
      script.layout["mex_dataoverride"] = "unspecified";
      script.layout["pixeltype"] = "FLOAT";
    } else if (!name.empty())
      script.layout[name] = row.value;
    auto machine = machineFor(script, path);
    machine->setErrorEventEnabled(false);  // a script error reaches the reader of the attribute
    TessaglyphMEX mex;
    EXPECT_EQ(mex.loadMEXParameters(*machine), row.expected);
    EXPECT_EQ(mex.ready(), row.expected == TG_MEX_E_OK);
    machine->setEnableMEX(true);
    EXPECT_EQ(machine->mex() != nullptr, row.expected == TG_MEX_E_OK);
  }
}

// Each format read back from bytes written in it; a raw value at or below the void is void
// before the multiplier (negative here) could move it.
TEST_F(MexTest, EveryCellFormatReadsItsValues) {
  struct Row {
    const char *kind, *endian, *type;
    int width;
    TessaglyphMEX::CellFormat format;
  };
  const Row rows[] = {
      {"FLOAT", "little", "unspecified", 4, TessaglyphMEX::kFloatLittle},
      {"SIGNEDINT", "big", "unspecified", 4, TessaglyphMEX::kLong4Big},
      {"SIGNEDINT", "big", "2", 2, TessaglyphMEX::kInteger2Big},
      {"SIGNEDINT", "little", "unspecified", 4, TessaglyphMEX::kLong4Little},
      {"SIGNEDINT", "little", "2", 2, TessaglyphMEX::kInteger2Little},
      {"SIGNEDINT", "little", "1", 1, TessaglyphMEX::kByteLittle},
      {"SIGNEDINT", "big", "1", 1, TessaglyphMEX::kByteBig},
      {"FLOAT", "big", "unspecified", 4, TessaglyphMEX::kFloatBig},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.kind + std::string(" ") + row.endian + " " + std::to_string(row.width));
    const bool isFloat = std::string(row.kind) == "FLOAT";
    std::vector<double> values;
    for (int i = 0; i < 20; ++i)
      values.push_back(isFloat ? i * 1.25 - 3 : (row.width == 1 ? i * 7 : i * 1000 - 9000));
    values[0] = row.width == 1 ? 0 : -32100;  // the void, and below it
    values[1] = row.width == 1 ? 0 : -32101;
    MexScript script;
    script.layout["pixeltype"] = row.kind;
    script.layout["mex_endian"] = row.endian;
    script.layout["mex_dataoverride"] = row.type;
    script.layout["mex_recordsize"] = std::to_string(row.width);
    script.layout["mex_multiplier"] = "-2";
    script.layout["mex_incrementor"] = "0.5";
    m_machine =
        machineFor(script, writeGrid(bytesOf(values, row.width, row.endian[0] == 'b', isFloat)));
    if (row.width == 1) m_machine->setDatavoidValue(0);  // byte grids mark voids with 0
    TessaglyphMEX mex;
    ASSERT_EQ(mex.loadMEXParameters(*m_machine), TG_MEX_E_OK);
    EXPECT_EQ(mex.cellFormat(), row.format);
    for (int cell = 0; cell < 20; ++cell) {
      const auto point = mex.PointRowCol(cell / 5, cell % 5);
      const float expected = cell < 2 ? kNoPoint : float(values[std::size_t(cell)] * -2 + 0.5);
      EXPECT_EQ(point->z(), expected) << "cell " << cell;
      EXPECT_EQ(point->IsGood(), cell >= 2);
    }
  }
}

TEST(MexOffsetCalc, EachOrientationHasItsCalculator) {
  struct Row {
    const char* axis;
    double columnStep, rowStep;
    int calculator;     // 1..8, 0 for none
    Long xStep, yStep;  // with row size 100 and record size 2
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
    ASSERT_EQ(calculator, selector.calculators()[std::size_t(row.calculator - 1)]);
    const Array<Long> offsets = calculator->calculate(1000, 12, 100, 2);
    ASSERT_EQ(offsets.size(), 12u);
    for (Long k = 0; k < 12; ++k) {
      const auto& step = TessaglyphMEXOffsetCalc::kPointSteps[std::size_t(k)];
      EXPECT_EQ(offsets[k], 1000 + step[0] * row.xStep + step[1] * row.yStep) << "point " << k;
    }
    EXPECT_EQ(calculator->calculate(0, 4, 100, 2).size(), 4u);
  }
  EXPECT_THROW((void)selector.calculators()[0]->calculate(0, 3, 100, 2), Error);
}

// The line at or below: whole steps truncated toward zero, one more on a backward axis.
TEST_F(MexTest, GridLinesRoundAndTruncateByTheAxisDirection) {
  MexScript script;
  script.layout["mex_colstart"] = "100";
  script.layout["mex_columnstep"] = "-1";
  script.layout["mex_numcolumns"] = "200";
  script.layout["mex_rowstart"] = "10";
  script.layout["mex_rowstep"] = "0.5";
  script.layout["mex_rowheadersize"] = "8";
  auto mex = loaded(script, std::string(4 * 408, '\0'));
  EXPECT_EQ(mex->rowSize(), 408);  // "automatic": columns times record size, and the header
  EXPECT_EQ(mex->elvOffset(98, 10.5), 408 + 8 + 2 * 2);
  EXPECT_EQ(mex->greatestSmallerX(50.5), 50);
  EXPECT_EQ(mex->greatestSmallerX(50), 49);     // on a line of a backward axis: the next one
  EXPECT_EQ(mex->greatestSmallerX(100.5), 99);  // -0.5 steps truncate to 0, plus one
  EXPECT_EQ(mex->greatestSmallerY(9.9), 10);    // -0.2 steps truncate to 0
  EXPECT_EQ(mex->greatestSmallerY(10.7), 10.5);
  EXPECT_EQ(mex->greatestSmallerY(11), 11);  // on a line of a forward axis: that line
  EXPECT_EQ(mex->closestX(50.5), 50);        // 49.5 steps: halves to even
  EXPECT_EQ(mex->closestX(51.5), 52);        // 48.5 steps
  EXPECT_EQ(mex->closestY(10.75), 11);       // 1.5 steps
  EXPECT_EQ(mex->closestY(10.25), 10);       // 0.5 steps
  Long row = 0, col = 0;
  mex->ClosestRowCol(97.4, 11.1, row, col);
  EXPECT_EQ(row, 2);
  EXPECT_EQ(col, 3);
  mex->ClosestRowCol(1e300, -1e300, row, col);  // far off the grid, and still no overflow
  EXPECT_LT(row, 0);
  EXPECT_LT(col, 0);
  EXPECT_EQ(mex->elvOffset(1e300, -1e300), -1);
  mex->Clear();
  EXPECT_FALSE(mex->ready());
  EXPECT_EQ(mex->elvOffset(98, 10.5), -1);
}

TEST_F(MexTest, GatheringFollowsThePointOrder) {
  auto mex = loaded(MexScript{}, gridOf16(sequence()));
  EXPECT_FALSE(mex->lastInterpDataSet());
  try {
    (void)mex->lastInterpData();
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 34005);
    EXPECT_EQ(e.source(), "TessaglyphMEX::lastInterpData Get");
    EXPECT_EQ(e.description(), "There is no interpolation data to provide");
  }
  // (11.25, 48.5) lies in the cell whose south-west corner is row 2 (y 48), column 1 (x 11).
  mex->setInterpolationMode(TG_M_IM_12POINT);
  const TG_M_INTERPDATA data = mex->interpData(11.25, 48.5);
  EXPECT_TRUE(mex->lastInterpDataSet());
  EXPECT_EQ(data.numPoints, 12);
  EXPECT_EQ(data.targetX, 11.25);
  EXPECT_EQ(data.targetY, 48.5);
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
  values[3 * 5] = -32768;  // a void at row 3, column 0 (10, 47)
  auto mex = loaded(MexScript{}, gridOf16(values).substr(0, 38));  // the last cell cut off
  struct Row {
    TG_M_INTERPOLATIONMODES mode;
    double x, y;
    float expected;
  };
  const Row rows[] = {
      {TG_M_IM_NONE, 11.4, 48.6, 11},              // nearest: row 1 (49), column 1
      {TG_M_IM_NONE, 10.1, 47.1, kNoPoint},        // nearest is the void
      {TG_M_IM_NONE, 9.4, 48, kNoPoint},           // off the grid
      {TG_M_IM_NONE, 9.6, 48, 20},                 // rounds onto column 0
      {TG_M_IM_NONE, 14, 47, -52000},              // beyond the end of the file
      {TG_M_IM_CLOSESTPOINT, 11.9, 48.9, 21},      // the corner at or below: row 2, column 1
      {TG_M_IM_CLOSESTPOINT, 11.4, 48.6, 21},      // not the nearest node (11)
      {TG_M_IM_CLOSESTPOINT, 10.5, 47.5, -32101},  // a corner is void
      {TG_M_IM_CLOSESTPOINT, 14.5, 48.5, -32101},  // east of the grid
      {TG_M_IM_MAX4, 11.5, 48.5, 22},              // the largest of 21, 11, 12, 22
      {TG_M_IM_4POINT, 11.5, 48.5, 16.5f},         // the mean of 11, 12, 21, 22
      {TG_M_IM_4POINT, 13.5, 47.5, -52000},        // a corner cannot be read
      {TG_M_IM_12POINT, 11.5, 48.5, 16.5f},        // a plane is reproduced
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(int(row.mode)) + " at " + std::to_string(row.x) + ", " +
                 std::to_string(row.y));
    mex->setInterpolationMode(row.mode);
    EXPECT_FLOAT_EQ(mex->pointElv(row.x, row.y), row.expected);
  }
  EXPECT_EQ(mex->accessCount(), Long(std::size(rows)));
  mex->resetAccessData();
  EXPECT_EQ(mex->accessCount(), 0);
  EXPECT_FALSE(mex->PointRowCol(-1, 2)->IsGood());
  EXPECT_EQ(*mex->PointRowCol(3, 1), XYZPoint(11, 47, 31, true));
}

TEST_F(MexTest, WritesStoreWhatReadsGiveBack) {
  struct Row {
    const char *kind, *endian, *type;
    int width;
    double x;
    float value;
    int error;  // 0: written
  };
  const Row rows[] = {
      {"SIGNEDINT", "little", "2", 2, 12, 1234, 0},
      {"SIGNEDINT", "big", "2", 2, 12, -77, 0},
      {"SIGNEDINT", "little", "unspecified", 4, 12, 123456, 0},
      {"SIGNEDINT", "big", "unspecified", 4, 12, 654321, 0},
      {"SIGNEDINT", "little", "1", 1, 12, 200, 0},
      {"FLOAT", "little", "unspecified", 4, 12, 12.75f, 0},
      {"SIGNEDINT", "little", "2", 2, 12, kNoPoint, 0},  // a void stays void
      {"FLOAT", "big", "unspecified", 4, 12, 1, 34007},
      {"SIGNEDINT", "little", "2", 2, 12, 40000, 6},
      {"SIGNEDINT", "little", "1", 1, 12, 256, 6},
      {"SIGNEDINT", "little", "2", 2, 20, 1, 34002},  // off the grid
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.kind + std::string(" ") + row.endian + " " + std::to_string(row.value));
    MexScript script;
    script.layout["pixeltype"] = row.kind;
    script.layout["mex_endian"] = row.endian;
    script.layout["mex_dataoverride"] = row.type;
    script.layout["mex_recordsize"] = std::to_string(row.width);
    auto mex = loaded(script, std::string(std::size_t(20 * row.width), '\0'));
    try {
      mex->setPointElv(row.x, 49, row.value);
      EXPECT_EQ(row.error, 0);
      EXPECT_EQ(mex->PointRowCol(1, 2)->z(), row.value);
      EXPECT_EQ(mex->PointRowCol(1, 3)->z(), 0);  // the neighbour is untouched
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), row.error);
      EXPECT_EQ(e.source(), e.number() == 6 ? "" : "TessaglyphMEX::pointElv Let");
    }
  }
}

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

TEST_F(MexTest, TheMachineAnswersFromTheAccessObjectWhileItHoldsOne) {
  auto machine = machineFor(MexScript{}, writeGrid(gridOf16(sequence())));
  EXPECT_EQ(machine->datapoint_read_rowcol(0, 0), nullptr);
  Long row = 0, col = 0;
  machine->ClosestRowCol(11, 49, row, col);
  EXPECT_EQ(row, -1);

  machine->setEnableMEX(true);
  ASSERT_TRUE(machine->enableMEX());
  machine->setInterpolationMode(TG_M_IM_CLOSESTPOINT);
  EXPECT_EQ(machine->datapoint_read(11.4, 48.6), 11);  // the nearest cell, as by the script
  EXPECT_FALSE(machine->isLastInterpDataSet());        // one cell read, no points gathered
  machine->setInterpolationMode(TG_M_IM_MAX4);         // the machine's MAX4 is 4-point
  EXPECT_FLOAT_EQ(machine->datapoint_read(11.5, 48.5), 16.5f);
  // The points come back in the machine's own order: (1, 0), (0, 0), (0, 1), (1, 1).
  ASSERT_TRUE(machine->isLastInterpDataSet());
  const TG_M_INTERPDATA gathered = machine->lastInterpData();
  ASSERT_EQ(gathered.numPoints, 4);
  EXPECT_EQ(gathered.x[0], 12);
  EXPECT_EQ(gathered.y[0], 48);
  const Single corners[] = {22, 21, 11, 12};
  for (std::size_t k = 0; k < 4; ++k)
    EXPECT_EQ(gathered.z[k], corners[k]) << "point " << k;
  EXPECT_EQ(machine->accessCount(), 2);
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

// Opening enables direct access (which makes a script without write code writable); closing
// drops it, so nothing reads the handle the script closed.
TEST_F(MexTest, ASourceFileReadsThroughDirectAccessWhileOpen) {
  test::TemporaryHome home;
  auto machine = std::make_shared<TessaglyphMachine>();
  assembleProgram(MexScript{}.source(), "mex.tgs").prepareMachine(machine);
  machine->setCurrentDatum("NAD27");
  auto file = std::make_shared<TessaglyphFile>();
  file->setMachine(machine);
  file->setFilename(writeGrid(gridOf16(sequence())));
  EXPECT_FALSE(machine->enableMEX());
  file->openSource();
  ASSERT_TRUE(machine->enableMEX());
  file->setDataLock(TG_M_DL_FALSE);
  file->setPoint(49, 12, 77);
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

  file->closeSource();
  EXPECT_FALSE(machine->enableMEX());
  EXPECT_FALSE(file->GetHiLoValues(high, low, false));
  EXPECT_EQ(file->PointRowCol(1, 2), nullptr);
  file->openSource();
  EXPECT_EQ(file->point(49, 12), 77);
}

}  // namespace
}  // namespace tg
