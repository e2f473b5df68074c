// Direct grid access on small grids: layout, cell formats, grid lines, gathering, writes.
#include "tessaglyph/mex.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "program/assembler.hpp"
#include "source/interpolation_test_support.hpp"
#include "source/source_file_test_support.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/machine.hpp"
#include "tessaglyph/program.hpp"
#include "tessaglyph/source_file.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

constexpr float kNoPoint = -32100.0f;

// "byfile" layout answered by attributes (`omit` one, `failing` divides by zero): 5 x 4 int16.
struct MexScript {
  std::map<std::string, std::string> layout = test::attributesOf(
      "mex_tableoffset=0 mex_valueoffset=0 mex_colstart=10 mex_rowstart=50 mex_columnstep=1 "
      "mex_rowstep=-1 mex_numcolumns=5 mex_numrows=4 mex_recordsize=2 mex_rowheadersize=0 "
      "mex_rowsize=automatic mex_rowaxis=y mex_endian=little mex_incrementor=0 mex_multiplier=1 "
      "mex_dataoverride=2 pixeltype=SIGNEDINT top_lat=50 bottom_lat=47 left_lon=10 right_lon=14 "
      "xres=1 yres=1");
  std::string capable = "true", datapointType = "single", omit, failing;
  bool setsFile = true;

  // A cell format: value kind, byte order, data override and record size.
  void format(const char* kind, const char* endian, const char* type, int width) {
    layout["pixeltype"] = kind;
    layout["mex_endian"] = endian;
    layout["mex_dataoverride"] = type;
    layout["mex_recordsize"] = std::to_string(width);
  }

  std::string source() const {
    std::string s =
        ".property gridtype \"latlon\"\n.property datum \"NAD27\"\n"
        ".property boundsmode \"latlonbounding\"\n.property mex_capable \"" +
        capable + "\"\n.var handle integer\n.routine init init\n" +
        ".routine datapoint_read dp\n.attribute datapoint datapoint " + datapointType +
        " read dp\n";
    std::string code;
    for (const auto& [name, value] : layout) {
      if (name.starts_with("mex_") || name == "pixeltype")
        s += ".property " + name + " \"byfile\"\n";
      if (name == omit) continue;
      s += ".attribute " + name + " var ascii 32 read a_" + name + "\n";
      code += "a_" + name + ":\n";
      if (name == failing) code += " cast_double register\n load 1\n divide 0\n";
      code += " cast_ascii register\n load \"" + value +
              "\"\n cast_ascii p_return\n"
              " store p_return\n stop\n";
    }
    s += "init:\n open p_filename\n store handle\n";
    if (setsFile) s += " mex_setfile handle\n";
    return s + " stop\ndp:\n cast_single p_return\n load -32100\n store p_return\n stop\n" + code;
  }
};

std::string bytesOf(const std::vector<double>& values, int width, bool big, bool isFloat) {
  std::string bytes;
  for (double v : values) {
    const auto bits = isFloat ? std::bit_cast<std::uint32_t>(float(v)) : std::uint32_t(Long(v));
    for (int b = 0; b < width; ++b)
      bytes += char((bits >> (big ? 8 * (width - 1 - b) : 8 * b)) & 0xFF);
  }
  return bytes;
}

// Row * 10 + col in each of the 20 cells, little-endian 16-bit; `changes` maps cell -> value.
std::string sequenceGrid(const std::map<int, double>& changes = {}) {
  std::vector<double> values;
  for (int cell = 0; cell < 20; ++cell)
    values.push_back(changes.contains(cell) ? changes.at(cell) : cell / 5 * 10 + cell % 5);
  return bytesOf(values, 2, false, false);
}

class MexTest : public ::testing::Test {
 protected:
  std::string writeGrid(const std::string& bytes) {
    const std::string path = m_folder.folder() + "grid.bin";
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path;
  }
  // A machine of the script, on the grid's file with INIT run when `init`.
  std::shared_ptr<TessaglyphMachine> machineFor(const MexScript& script, const std::string& bytes,
                                                bool init = true) {
    auto machine = std::make_shared<TessaglyphMachine>();
    assembleProgram(script.source(), "mex.tgs").prepareMachine(machine);
    machine->setCurrentDatum("NAD27");
    m_path = writeGrid(bytes);
    if (!init) return machine;
    machine->setFileInfo(m_path);
    machine->routine(TG_M_RAI_INIT);
    return machine;
  }
  // An access object loaded from the script over the bytes (byte grids mark voids with 0).
  std::unique_ptr<TessaglyphMEX> loaded(const MexScript& script, const std::string& bytes,
                                        bool byteVoids = false) {
    m_machine = machineFor(script, bytes);
    if (byteVoids) m_machine->setDatavoidValue(0);
    auto mex = std::make_unique<TessaglyphMEX>();
    EXPECT_EQ(mex->loadMEXParameters(*m_machine), TG_MEX_E_OK);
    return mex;
  }
  test::TemporaryFolder m_folder;
  std::string m_path;
  std::shared_ptr<TessaglyphMachine> m_machine;
};

TEST_F(MexTest, LoadingReturnsItsCodeAndIsReadyOnlyOnSuccess) {
  struct Row {
    const char *name, *value;
    TG_MEX_ERRORS expected;
  };
  const Row rows[] = {
      {"", "", TG_MEX_E_OK},
      {"mex_rowsize", "12", TG_MEX_E_OK},
      {"mex_dataoverride", "4", TG_MEX_E_INVALIDMEXSETTING},
      {"mex_numcolumns", "0", TG_MEX_E_INVALIDMEXSETTING},
      {"mex_numrows", "-3", TG_MEX_E_INVALIDMEXSETTING},
      {"mex_columnstep", "0", TG_MEX_E_INVALIDMEXSETTING},
      {"mex_tableoffset", "-1", TG_MEX_E_INVALIDMEXSETTING},
      {"mex_valueoffset", "-2", TG_MEX_E_INVALIDMEXSETTING},
      {"mex_rowheadersize", "-2", TG_MEX_E_INVALIDMEXSETTING},
      {"mex_rowsize", "0", TG_MEX_E_INVALIDMEXSETTING},
      {"mex_rowaxis", "z", TG_MEX_E_INVALIDMEXSETTING},
      {"mex_endian", "", TG_MEX_E_INVALIDMEXSETTING},
      {"pixeltype", "UNSIGNEDINT", TG_MEX_E_INVALIDMEXSETTING},
      {"pixeltype", "FLOAT", TG_MEX_E_INVALIDMEXSETTING},
      {"mex_colstart", "ten", TG_MEX_E_INVALIDMEXSETTING},
      {"capable", "false", TG_MEX_E_NOTMEXCAPABLE},
      {"omit", "mex_numrows", TG_MEX_E_MEXERROR},
      {"failing", "mex_colstart", TG_MEX_E_MEXERROR},
      {"datapoint", "double", TG_MEX_E_INVALIDMEXSETTING},
      {"setsFile", "", TG_MEX_E_MEXFILEMISSING},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.name) + " " + row.value);
    MexScript script;
    const std::string name = row.name;
    if (name == "capable") script.capable = row.value;
    if (name == "omit") script.omit = row.value;
    if (name == "failing") script.failing = row.value;
    if (name == "setsFile") script.setsFile = false;
    if (name == "datapoint") {
      script.datapointType = row.value;
      script.format("FLOAT", "little", "unspecified", 2);
    }
    if (name.starts_with("mex_") || name == "pixeltype") script.layout[name] = row.value;
    auto machine = machineFor(script, sequenceGrid());
    machine->setErrorEventEnabled(false);  // a script error reaches the reader of the attribute
    TessaglyphMEX mex;
    EXPECT_EQ(mex.loadMEXParameters(*machine), row.expected);
    EXPECT_EQ(mex.ready(), row.expected == TG_MEX_E_OK);
    machine->setEnableMEX(true);
    EXPECT_EQ(machine->mex() != nullptr, row.expected == TG_MEX_E_OK);
  }
}

// Each format read and written; a raw value at or below the void is void before scaling.
TEST_F(MexTest, EveryCellFormatReadsAndWritesItsValues) {
  struct Row {
    const char *kind, *endian, *type;
    int width;
    TessaglyphMEX::CellFormat format;
    double written;  // a raw value written to row 1, column 2
    int writeError;
  };
  const Row rows[] = {
      {"FLOAT", "little", "unspecified", 4, TessaglyphMEX::kFloatLittle, -6.125, 0},
      {"SIGNEDINT", "big", "unspecified", 4, TessaglyphMEX::kLong4Big, 654321, 0},
      {"SIGNEDINT", "big", "2", 2, TessaglyphMEX::kInteger2Big, -77, 0},
      {"SIGNEDINT", "little", "unspecified", 4, TessaglyphMEX::kLong4Little, 123456, 0},
      {"SIGNEDINT", "little", "2", 2, TessaglyphMEX::kInteger2Little, 1234, 0},
      {"SIGNEDINT", "little", "1", 1, TessaglyphMEX::kByteLittle, 200, 0},
      {"SIGNEDINT", "big", "1", 1, TessaglyphMEX::kByteBig, 3, 0},
      {"FLOAT", "big", "unspecified", 4, TessaglyphMEX::kFloatBig, 1, 34007},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.kind + std::string(" ") + row.endian + " " + std::to_string(row.width));
    const bool isFloat = std::string(row.kind) == "FLOAT";
    std::vector<double> values = {row.width == 1 ? 0.0 : -32100, row.width == 1 ? 0.0 : -32101};
    for (int i = 2; i < 20; ++i)
      values.push_back(isFloat ? i * 1.25 - 3 : (row.width == 1 ? i * 7 : i * 1000 - 9000));
    MexScript script;
    script.format(row.kind, row.endian, row.type, row.width);
    script.layout["mex_multiplier"] = "-2";
    script.layout["mex_incrementor"] = "0.5";
    auto mex =
        loaded(script, bytesOf(values, row.width, row.endian[0] == 'b', isFloat), row.width == 1);
    EXPECT_EQ(mex->cellFormat(), row.format);
    const auto cooked = [](double raw) { return float(raw * -2 + 0.5); };
    for (int cell = 0; cell < 20; ++cell) {
      const float expected = cell < 2 ? kNoPoint : cooked(values[std::size_t(cell)]);
      EXPECT_EQ(mex->PointRowCol(cell / 5, cell % 5)->z(), expected) << "cell " << cell;
    }
    EXPECT_EQ(test::errorNumber([&] { mex->setPointElv(12, 49, cooked(row.written)); }),
              row.writeError);
    if (row.writeError != 0) continue;
    EXPECT_EQ(mex->PointRowCol(1, 2)->z(), cooked(row.written));
    EXPECT_EQ(mex->PointRowCol(1, 3)->z(), cooked(values[8]));  // the neighbour is untouched
    if (row.width == 1) continue;                               // byte grids mark voids with 0
    mex->setPointElv(12, 48, kNoPoint);  // a void is stored as the void, not scaled
    EXPECT_EQ(mex->PointRowCol(2, 2)->z(), kNoPoint);
  }
}

// Writes that cannot be stored on 2-byte (or 1-byte) cells.
TEST_F(MexTest, WritesRefuseWhatTheCellCannotHold) {
  const std::tuple<int, double, float, int> rows[] = {
      {2, 12, 40000, 6}, {1, 12, 256, 6}, {2, 20, 1, 34002}};
  for (const auto& [width, x, value, error] : rows) {
    SCOPED_TRACE(testing::Message() << width << " bytes, " << value << " at " << x);
    MexScript script;
    script.format("SIGNEDINT", "little", width == 1 ? "1" : "2", width);
    auto mex = loaded(script, std::string(std::size_t(20 * width), '\0'));
    EXPECT_EQ(test::errorNumber([&] { mex->setPointElv(x, 49, value); }), error);
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
    SCOPED_TRACE(testing::Message() << row.axis << " " << row.columnStep << " " << row.rowStep);
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
  }
  EXPECT_THROW((void)selector.calculators()[0]->calculate(0, 3, 100, 2), Error);
}

// The line at or below: whole steps truncated toward zero, one more on a backward axis.
TEST_F(MexTest, GridLinesRoundAndTruncateByTheAxisDirection) {
  MexScript script;
  const std::map<std::string, std::string> changes = {
      {"mex_colstart", "100"}, {"mex_columnstep", "-1"}, {"mex_numcolumns", "200"},
      {"mex_rowstart", "10"},  {"mex_rowstep", "0.5"},   {"mex_rowheadersize", "8"},
  };
  for (const auto& [name, value] : changes)
    script.layout[name] = value;
  auto mex = loaded(script, std::string(4 * 408, '\0'));
  EXPECT_EQ(mex->rowSize(), 408);  // "automatic": columns times record size, and the header
  EXPECT_EQ(mex->elvOffset(98, 10.5), 408 + 8 + 2 * 2);
  struct Row {
    double (TessaglyphMEX::*member)(double) const;
    double at, expected;
  };
  const Row rows[] = {
      {&TessaglyphMEX::greatestSmallerX, 50.5, 50},   {&TessaglyphMEX::greatestSmallerX, 50, 49},
      {&TessaglyphMEX::greatestSmallerX, 100.5, 99},  {&TessaglyphMEX::greatestSmallerY, 9.9, 10},
      {&TessaglyphMEX::greatestSmallerY, 10.7, 10.5}, {&TessaglyphMEX::greatestSmallerY, 11, 11},
      {&TessaglyphMEX::closestX, 50.5, 50},           {&TessaglyphMEX::closestX, 51.5, 52},
      {&TessaglyphMEX::closestY, 10.75, 11},          {&TessaglyphMEX::closestY, 10.25, 10},
  };
  for (const Row& row : rows)
    EXPECT_EQ(((*mex).*row.member)(row.at), row.expected) << row.at;
  Long row = 0, col = 0;
  mex->ClosestRowCol(97.4, 11.1, row, col);
  EXPECT_EQ(std::pair(row, col), std::pair(Long(2), Long(3)));
  mex->ClosestRowCol(1e300, -1e300, row, col);  // far off the grid, and still no overflow
  EXPECT_TRUE(row < 0 && col < 0);
  EXPECT_EQ(mex->elvOffset(1e300, -1e300), -1);
  mex->Clear();
  EXPECT_EQ(mex->elvOffset(98, 10.5), -1);
}

TEST_F(MexTest, GatheringFollowsThePointOrder) {
  auto mex = loaded(MexScript{}, sequenceGrid());
  EXPECT_TRUE(test::raises([&] { (void)mex->lastInterpData(); }, 34005,
                           "There is no interpolation data to provide",
                           "TessaglyphMEX::lastInterpData Get"));
  // (11.25, 48.5) lies in the cell whose south-west corner is row 2 (y 48), column 1 (x 11).
  mex->setInterpolationMode(TG_M_IM_12POINT);
  const TG_M_INTERPDATA data = mex->interpData(11.25, 48.5);
  EXPECT_TRUE(mex->lastInterpDataSet());
  EXPECT_EQ(data.numPoints, 12);
  for (int k = 0; k < 12; ++k) {
    const auto& step = TessaglyphMEXOffsetCalc::kPointSteps[std::size_t(k)];
    const int row = 2 - step[1], col = 1 + step[0];
    EXPECT_EQ(data.x[std::size_t(k)], 11 + step[0]) << k;
    EXPECT_EQ(data.y[std::size_t(k)], 48 + step[1]) << k;
    const bool on = row >= 0 && row < 4 && col >= 0 && col < 5;
    EXPECT_EQ(data.z[std::size_t(k)], on ? float(row * 10 + col) : kNoPoint) << k;
  }
}

TEST_F(MexTest, PointValuesByMode) {
  // A void at row 3, column 0 (10, 47); the last cell cut off.
  auto mex = loaded(MexScript{}, sequenceGrid({{15, -32768}}).substr(0, 38));
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
      {TG_M_IM_CLOSESTPOINT, 10.5, 47.5, -32101},  // a corner is void
      {TG_M_IM_CLOSESTPOINT, 14.5, 48.5, -32101},  // east of the grid
      {TG_M_IM_MAX4, 11.5, 48.5, 22},              // the largest of 21, 11, 12, 22
      {TG_M_IM_4POINT, 11.5, 48.5, 16.5f},         // the mean of 11, 12, 21, 22
      {TG_M_IM_4POINT, 13.5, 47.5, -52000},        // a corner cannot be read
      {TG_M_IM_4POINT, 10.5, 47.5, -32101},        // a corner is void
      {TG_M_IM_4POINT, 8.5, 48.5, -32101},         // the west corners are off the grid
      {TG_M_IM_12POINT, 11.5, 48.5, 16.5f},        // a plane is reproduced
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.mode << " at " << row.x << ", " << row.y);
    mex->setInterpolationMode(row.mode);
    EXPECT_FLOAT_EQ(mex->pointElv(row.x, row.y), row.expected);
  }
  EXPECT_EQ(mex->accessCount(), Long(std::size(rows)));
  EXPECT_EQ(*mex->PointRowCol(3, 1), XYZPoint(11, 47, 31, true));
}

// Inside the grid the corners are taken by their offsets: in every orientation of rows and
// columns a plane is reproduced, and the gathered record holds the corners.
TEST_F(MexTest, FourPointReadsFindTheCornersInEveryOrientation) {
  const std::tuple<const char*, int, int> rows[] = {{"y", 1, 1},   {"y", -1, 1}, {"y", 1, -1},
                                                    {"y", -1, -1}, {"x", 1, 1},  {"x", -1, 1},
                                                    {"x", 1, -1},  {"x", -1, -1}};
  const auto plane = [](double x, double y) { return float(10 * y + x); };
  for (const auto& [axis, columnStep, rowStep] : rows) {
    SCOPED_TRACE(testing::Message() << axis << " " << columnStep << " " << rowStep);
    MexScript script;
    script.layout["mex_rowaxis"] = axis;
    script.layout["mex_columnstep"] = std::to_string(columnStep);
    script.layout["mex_rowstep"] = std::to_string(rowStep);
    script.layout["mex_colstart"] = columnStep > 0 ? "0" : "4";
    script.layout["mex_rowstart"] = rowStep > 0 ? "0" : "3";
    std::vector<double> values;  // 4 rows of 5 cells; each holds the plane at its position
    for (int row = 0; row < 4; ++row) {
      for (int col = 0; col < 5; ++col) {
        const double along = rowStep > 0 ? row : 3 - row, across = columnStep > 0 ? col : 4 - col;
        values.push_back(axis[0] == 'y' ? plane(across, along) : plane(along, across));
      }
    }
    auto mex = loaded(script, bytesOf(values, 2, false, false));
    for (const auto& [x, y] : {std::pair(1.25, 1.5), std::pair(2.75, 0.5)}) {
      mex->setInterpolationMode(TG_M_IM_12POINT);  // a larger record first, which is cleared
      (void)mex->pointElv(x, y);
      mex->setInterpolationMode(TG_M_IM_4POINT);
      EXPECT_EQ(mex->pointElv(x, y), plane(x, y)) << x << ", " << y;
      const TG_M_INTERPDATA data = mex->lastInterpData();
      for (std::size_t k = 0; k < 4; ++k)
        EXPECT_EQ(data.z[k], plane(data.x[k], data.y[k])) << k;
      EXPECT_EQ(std::pair(data.numPoints, data.z[11]), std::pair(Integer(4), 0.0f));
    }
  }
}

TEST_F(MexTest, HighestAndLowestValuesSkipVoids) {
  // The corner that would be highest is void.
  auto machine = machineFor(MexScript{}, sequenceGrid({{19, -32768}, {7, -5}}));
  machine->setEnableMEX(true);
  std::shared_ptr<XYZPoint> high, low;
  EXPECT_TRUE(machine->GetHiLoValues(high, low, false));
  EXPECT_EQ(*high, XYZPoint(13, 47, 33, true));
  EXPECT_EQ(*low, XYZPoint(12, 49, -5, true));
}

TEST_F(MexTest, TheMachineAnswersFromTheAccessObjectWhileItHoldsOne) {
  auto machine = machineFor(MexScript{}, sequenceGrid());
  EXPECT_EQ(machine->datapoint_read_rowcol(0, 0), nullptr);
  machine->setEnableMEX(true);
  ASSERT_TRUE(machine->enableMEX());
  machine->setInterpolationMode(TG_M_IM_CLOSESTPOINT);
  EXPECT_EQ(machine->datapoint_read(11.4, 48.6), 11);  // the nearest cell, as by the script
  machine->setInterpolationMode(TG_M_IM_MAX4);         // the machine's MAX4 is 4-point
  EXPECT_FLOAT_EQ(machine->datapoint_read(11.5, 48.5), 16.5f);
  // The points come back in the machine's own order: (1, 0), (0, 0), (0, 1), (1, 1).
  const TG_M_INTERPDATA gathered = machine->lastInterpData();
  ASSERT_EQ(gathered.numPoints, 4);
  EXPECT_EQ(std::pair(gathered.x[0], gathered.y[0]), std::pair(12.0, 48.0));
  EXPECT_EQ(std::vector<Single>(gathered.z.begin(), gathered.z.begin() + 4),
            (std::vector<Single>{22, 21, 11, 12}));
  EXPECT_EQ(machine->datapoint_read_rowcol(3, 4)->z(), 34);
  // A write goes to the cell, under the data lock like any other.
  EXPECT_THROW(machine->datapoint_write(12, 49, 5), Error);
  machine->setDataLock(TG_M_DL_FALSE);
  machine->datapoint_write(12, 49, 5);
  EXPECT_EQ(machine->datapoint_read_rowcol(1, 2)->z(), 5);
}

// Opening enables direct access (writable without write code); closing drops it.
TEST_F(MexTest, ASourceFileReadsThroughDirectAccessWhileOpen) {
  test::TemporaryHome home;
  auto machine = machineFor(MexScript{}, sequenceGrid(), false);
  auto file = std::make_shared<TessaglyphFile>();
  file->setMachine(machine);
  file->setFilename(m_path);
  file->openSource();
  ASSERT_TRUE(machine->enableMEX());
  file->setDataLock(TG_M_DL_FALSE);
  file->setPoint(49, 12, 77);
  EXPECT_EQ(file->point(49, 12), 77);
  std::shared_ptr<XYZPoint> high, low;
  EXPECT_TRUE(file->GetHiLoValues(high, low, false));
  EXPECT_EQ(high->z(), 77);
  file->closeSource();
  EXPECT_FALSE(machine->enableMEX());
  file->openSource();
  EXPECT_EQ(file->point(49, 12), 77);
}

}  // namespace
}  // namespace tg
