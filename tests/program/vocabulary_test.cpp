#include "tessaglyph/vocabulary.hpp"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/text.hpp"
#include "tessaglyph/top_level_object.hpp"
#include "test_support.hpp"

namespace tg::test {
namespace {

// A name in capitals between blanks, as a careless script writer might type it. Appended piece
// by piece: g++ 12 at -O3 reports a false -Wrestrict for `" " + std::string(...)`.
std::string shouted(std::string_view name) {
  std::string text = "  ";
  text += toUpper(name);
  text += ' ';
  return text;
}

// The words of a text, split at blanks: names written out independently of the library's tables.
std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// The error a call raises as "number description", or "none".
template <typename Action>
std::string failureOf(Action&& action) {
  try {
    action();
  } catch (const Error& error) {
    return std::to_string(error.number()) + " " + error.description();
  }
  return "none";
}

const Tessaglyph tessaglyph;

// Each name round-trips through its number, found in any case between blanks; numbers outside
// the table have no name, and names outside it raise.
TEST(Vocabulary, NamesRoundTrip) {
  const auto instructions = words(
      "goto branch_negative branch_positive branch_zero branch_true branch_false gosub load "
      "load_ptr store store_ptr add subtract multiply divide modulus lessthan lessthanequal "
      "greaterthan greaterthanequal equal notequal and or not cast_uint cast_int2 cast_int4 "
      "cast_single cast_double cast_ascii open close len getoffset setoffset char s_eof "
      "string2latlon lat2string lon2string setdelims read skip write write_pd buffer eof "
      "userinput notify raiseevent stop flipbytes setfixedlength timer fpart ipart NOP chars "
      "search like fileexists loadnopoint push pop peek pushm popm settoupper settolower int "
      "mex_setfile setref trim ltrim rtrim");
  ASSERT_EQ(instructions.size(), TG_M_I_COUNT);
  for (int opcode = -1; opcode <= int(TG_M_I_COUNT); ++opcode) {
    const auto instruction = static_cast<TG_M_INSTRUCTIONS>(opcode);
    const bool inside = opcode >= 0 && opcode < int(TG_M_I_COUNT);
    const std::string name = inside ? instructions[std::size_t(opcode)] : "";
    EXPECT_EQ(getInstructionName(instruction), name);
    EXPECT_EQ(inside ? getInstructionValue(shouted(name)) : instruction, instruction);
  }
  const auto variables = words(
      "register offset return x y index row col value filesize path filename extension progress "
      "tip filetitle");
  const std::string readOnly = "0000011111111000", locked = "0100011101111110";
  for (int address = -1; address <= 16; ++address) {
    const auto pdv = static_cast<TG_M_PREDEFINEDVARIABLEINDICIES>(address);
    const bool inside = address >= 0 && address < 16;
    const std::string name = inside ? variables[std::size_t(address)] : "";
    EXPECT_EQ(getPDVName(pdv), name);
    EXPECT_EQ(isReadOnly(pdv), inside && readOnly[std::size_t(address)] == '1') << address;
    EXPECT_EQ(isPermanentlyLocked(pdv), inside && locked[std::size_t(address)] == '1') << address;
    EXPECT_EQ(inside ? getPDVValue(shouted(name)) : pdv, pdv);
  }
  const auto routines = words(
      "datapoint_read datapoint_write init add next firstpoint setpos row2y col2x y2row x2col i2x "
      "i2y xy2i - valid create datum_xcon datum_ycon terminate ifourpoint itwelvepoint");
  for (int slot = -1; slot <= 22; ++slot) {
    const auto routine = static_cast<TG_M_ROUTINEARRAYINDICIES>(slot);
    const bool exists = slot >= 0 && slot < 22 && slot != 14;  // slot 14 has no routine
    const std::string name = exists ? routines[std::size_t(slot)] : "";
    EXPECT_EQ(getRoutineName(routine), name);
    EXPECT_EQ(exists ? getRoutineValue(shouted(name)) : routine, routine);
  }
  const auto modes =
      std::vector<std::string>{"Best Area",          "Worst area",        "Best x-resolution",
                               "Worst x-resolution", "Best y-resolution", "Worst y-resolution"};
  for (int value = -1; value <= 6; ++value) {
    const auto rcm = static_cast<TG_RESCOMPAREMODES>(value);
    const std::string name = value >= 0 && value < 6 ? modes[std::size_t(value)] : "";
    EXPECT_EQ(getRCMName(rcm), name);
    EXPECT_EQ(name.empty() ? rcm : getRCMValue(toLower(name)), rcm);  // blanks count here
  }
  // The top-level object answers the same.
  EXPECT_EQ(tessaglyph.getInstructionName(TG_M_I_WRITEPD), "write_pd");
  EXPECT_EQ(tessaglyph.getInstructionValue("  Write_PD  "), TG_M_I_WRITEPD);
  EXPECT_EQ(tessaglyph.getPDVName(TG_M_PVI_FILETITLE), "filetitle");
  EXPECT_EQ(tessaglyph.getPDVValue(" X "), TG_M_PVI_X);
  EXPECT_TRUE(tessaglyph.isReadOnly(TG_M_PVI_ROW) && tessaglyph.isPermanentlyLocked(TG_M_PVI_TIP));
  EXPECT_EQ(tessaglyph.getRoutineName(TG_M_RAI_DATUMXCON), "datum_xcon");
  EXPECT_EQ(tessaglyph.getRoutineValue("Datum_XCon"), TG_M_RAI_DATUMXCON);
  EXPECT_EQ(tessaglyph.getRCMName(TG_RCM_GREATESTYRES), "Worst y-resolution");
  EXPECT_EQ(tessaglyph.getRCMValue("WORST AREA"), TG_RCM_GREATESTAREA);
}

TEST(Vocabulary, UnknownNamesRaise) {
  const std::tuple<std::string, std::string> rows[] = {
      {failureOf([] { getInstructionValue("write pd"); }),
       "12001 \"write pd\" is not a recognized instruction name."},
      {failureOf([] { getInstructionValue("\tload"); }),
       "12001 \"\tload\" is not a recognized instruction name."},
      {failureOf([] { getInstructionValue("p_x"); }),
       "12001 \"p_x\" is not a recognized instruction name."},
      {failureOf([] { getPDVValue(" P_Offset "); }),
       "12002 \" P_Offset \" is not a recognized pre-defined variable name."},
      {failureOf([] { getPDVValue("tips"); }),
       "12002 \"tips\" is not a recognized pre-defined variable name."},
      {failureOf([] { getRoutineValue("row 2y"); }),
       "12003 \"row 2y\" is not a valid routine name."},
      {failureOf([] { getRoutineValue("goto"); }), "12003 \"goto\" is not a valid routine name."},
      {failureOf([] { getRCMValue("Best Area "); }),
       "12010 \"Best Area \" is not a recognized resolution comparisson mode"},
      {failureOf([] { tessaglyph.getRCMValue("best"); }),
       "12010 \"best\" is not a recognized resolution comparisson mode"},
  };
  for (const auto& [got, expected] : rows)
    EXPECT_EQ(got, expected);
  EXPECT_TRUE(isValidPDVName(" X ") && isValidRoutineName(" INIT "));
  EXPECT_FALSE(isValidPDVName("p_x") || isValidPDVName("") || isValidRoutineName("datapoint") ||
               tessaglyph.isValidRoutineName("\tinit"));
}

TEST(Vocabulary, PropertyNamesValuesAndDefaults) {
  const auto names = words(
      "gridtype datum latlonformat datatype filelayout nextorder datalock conditionalzone "
      "filetypefilter boundsmode resspec interp_closestpoint interp_4point interp_12point "
      "selfvalidating mex_columnstep mex_tableoffset mex_valueoffset mex_endian mex_colstart "
      "mex_rowstart mex_capable mex_numcolumns mex_numrows mex_recordsize mex_rowaxis "
      "mex_rowheadersize mex_rowstep mex_incrementor mex_multiplier datavoidvalue mex_rowsize "
      "mex_dataoverride pixeltype");
  EXPECT_EQ(getPropertiesList(), names);
  EXPECT_EQ(tessaglyph.getPropertiesList(), names);
  for (const std::string& name : names)
    EXPECT_TRUE(isRecognizedProperty(shouted(name))) << name;
  for (const std::string name : {"", "grid", "mex", "xres", "datavoid value"})
    EXPECT_FALSE(tessaglyph.isRecognizedProperty(name)) << name;
  // Values: a layout-dependent list for nextorder, case-insensitive and untrimmed.
  const std::string grid = "+x+y|+y+x|-x+y|+y-x|+x-y|-y+x|-x-y|-y-x|";
  const std::tuple<std::string, std::string, std::string> values[] = {
      {"gridtype", "", "latlon|utm|"},
      {"datum", "", "nad27|nad83|by file|by point|"},
      {"NextOrder", "GRID", grid},
      {" nextorder ", "grid", grid},
      {"NEXTORDER", "List", "+i|-i|"},
      {"mex_endian", "", "|little|big|byfile|"},
      {"mex_dataoverride", "", "unspecified|byfile|1|2|4|5|"}};
  for (const auto& [property, layout, expected] : values) {
    std::string got;
    for (const std::string& value : tessaglyph.getPropertyValuesList(property, layout))
      got += value + "|";
    EXPECT_EQ(got, expected) << property;
    EXPECT_EQ(getPropertyValuesList(property, layout),
              tessaglyph.getPropertyValuesList(property, layout));
  }
  const std::pair<const char*, const char*> defaults[] = {
      {"gridtype", "latlon"},       {"LatLonFormat", ""},         {"DataLock", "true"},
      {"filetypefilter", "*.*"},    {"mex_endian", ""},           {"datavoidvalue", "-32100"},
      {"mex_rowsize", "automatic"}, {"conditionalzone", "false"}, {" GridType ", "latlon"}};
  for (const auto& [name, value] : defaults)
    EXPECT_EQ(getDefaultPropertySetting(name, "list"), value) << name;
  const std::string noValues = "12005 There are no pre-defined property values for the ";
  const std::string nextorder =
      "12005 There are no property values for the nextorder property when the filelayout "
      "property is ";
  // The layout is not trimmed; a property name is quoted exactly as passed. Defaults ignore the
  // layout, and names are trimmed only on the way through the value list.
  const std::tuple<std::string, std::string> errors[] = {
      {failureOf([] { getPropertyValuesList(" LatLonFormat ", "grid"); }),
       noValues + "latlonformat property."},
      {failureOf([] { getPropertyValuesList("nextorder", ""); }), nextorder + "\".\""},
      {failureOf([] { tessaglyph.getPropertyValuesList("nextorder", " Grid"); }),
       nextorder + "\" Grid.\""},
      {failureOf([] { getPropertyValuesList(" Bogus ", "grid"); }),
       "12004 \" Bogus \" is not a recognized property name."},
      {failureOf([] { getDefaultPropertySetting("nextorder", "grid"); }),
       nextorder + "\"unspecified.\""},
      {failureOf([] { tessaglyph.getDefaultPropertySetting("BoGus"); }),
       "12004 \"BoGus\" is not a recognized property name."},
      {failureOf([] { getDefaultPropertySetting(" latlonformat "); }),
       noValues + "latlonformat property."}};
  for (const auto& [got, expected] : errors)
    EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace tg::test
