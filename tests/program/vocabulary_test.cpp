#include "tessaglyph/vocabulary.hpp"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "support/text.hpp"
#include "tessaglyph/top_level_object.hpp"
#include "test_support.hpp"

namespace tg::test {
namespace {

// A name in capitals between blanks (appended: g++ 12 -O3 warns -Wrestrict otherwise).
std::string shouted(std::string_view name) {
  std::string text = "  ";
  text += toUpper(name);
  text += ' ';
  return text;
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

// Every number in range has a name leading back to it; those just outside have none.
TEST(Vocabulary, NamesRoundTrip) {
  for (int n = -1; n <= int(TG_M_I_COUNT); ++n) {
    const auto name = getInstructionName(TG_M_INSTRUCTIONS(n));
    EXPECT_EQ(name.empty(), n < 0 || n == int(TG_M_I_COUNT)) << n;
    EXPECT_EQ(name.empty() ? n : getInstructionValue(shouted(name)), n) << name;
  }
  for (int n = -1; n <= 16; ++n) {
    const auto pdv = TG_M_PREDEFINEDVARIABLEINDICIES(n);
    const bool inside = n >= 0 && n < 16;
    EXPECT_EQ(getPDVName(pdv).empty(), !inside) << n;
    EXPECT_EQ(inside ? getPDVValue(shouted(getPDVName(pdv))) : pdv, pdv) << n;
  }
  // Read-only and permanently locked are two flags: one of each, neither, and out of range.
  EXPECT_TRUE(!isReadOnly(TG_M_PVI_OFFSET) && isPermanentlyLocked(TG_M_PVI_OFFSET));
  EXPECT_TRUE(isReadOnly(TG_M_PVI_VALUE) && !isPermanentlyLocked(TG_M_PVI_VALUE));
  EXPECT_FALSE(isReadOnly(TG_M_PREDEFINEDVARIABLEINDICIES(16)));
  for (int n = -1; n <= 22; ++n) {  // slot 14 has no routine
    const auto name = getRoutineName(TG_M_ROUTINEARRAYINDICIES(n));
    EXPECT_EQ(name.empty(), n < 0 || n == 14 || n == 22) << n;
    EXPECT_EQ(name.empty() ? n : getRoutineValue(shouted(name)), n) << name;
  }
  for (int n = -1; n <= 6; ++n) {
    const auto name = getRCMName(TG_RESCOMPAREMODES(n));
    EXPECT_EQ(name.empty(), n < 0 || n == 6) << n;
    EXPECT_EQ(name.empty() ? n : getRCMValue(toUpper(name)), n) << name;
  }
  EXPECT_EQ(tessaglyph.getRoutineValue("Datum_XCon"), TG_M_RAI_DATUMXCON);
}

TEST(Vocabulary, UnknownNamesRaise) {
  // clang-format off
  const std::tuple<std::string, std::string> rows[] = {
      {failureOf([] { getInstructionValue("write pd"); }), "12001 \"write pd\" is not a recognized instruction name."},
      {failureOf([] { getPDVValue(" P_Offset "); }), "12002 \" P_Offset \" is not a recognized pre-defined variable name."},
      {failureOf([] { getRoutineValue("goto"); }), "12003 \"goto\" is not a valid routine name."},
      {failureOf([] { getRCMValue("Best Area "); }), "12010 \"Best Area \" is not a recognized resolution comparisson mode"},
  };
  // clang-format on
  for (const auto& [got, expected] : rows)
    EXPECT_EQ(got, expected);
  EXPECT_TRUE(isValidPDVName(" X ") && isValidRoutineName(" INIT "));
  EXPECT_FALSE(isValidPDVName("p_x") || isValidRoutineName("datapoint"));
}

TEST(Vocabulary, PropertyNamesValuesAndDefaults) {
  const auto names = getPropertiesList();
  ASSERT_EQ(names.size(), 34u);
  for (const std::string& name : names)
    EXPECT_TRUE(isRecognizedProperty(shouted(name))) << name;
  EXPECT_FALSE(tessaglyph.isRecognizedProperty("datavoid value"));
  // Values: a layout-dependent list for nextorder, case-insensitive and untrimmed.
  const std::tuple<std::string, std::string, std::string> values[] = {
      {"gridtype", "", "latlon|utm|"},
      {" nextorder ", "GRID", "+x+y|+y+x|-x+y|+y-x|+x-y|-y+x|-x-y|-y-x|"},
      {"NEXTORDER", "List", "+i|-i|"}};
  for (const auto& [property, layout, expected] : values) {
    std::string got;
    for (const std::string& value : tessaglyph.getPropertyValuesList(property, layout))
      got += value + "|";
    EXPECT_EQ(got, expected) << property;
  }
  const std::pair<const char*, const char*> defaults[] = {
      {" GridType ", "latlon"}, {"LatLonFormat", ""}, {"DataLock", "true"}};
  for (const auto& [name, value] : defaults)
    EXPECT_EQ(getDefaultPropertySetting(name, "list"), value) << name;
  // Layouts untrimmed, names quoted as passed, trimmed only through the value list.
  const std::string noValues = "12005 There are no pre-defined property values for the ";
  const std::string next =
      "12005 There are no property values for the nextorder property when the filelayout property "
      "is ";
  // clang-format off
  const std::tuple<std::string, std::string> errors[] = {
      {failureOf([] { getPropertyValuesList(" LatLonFormat ", "grid"); }), noValues + "latlonformat property."},
      {failureOf([] { tessaglyph.getPropertyValuesList("nextorder", " Grid"); }), next + "\" Grid.\""},
      {failureOf([] { getPropertyValuesList(" Bogus ", "grid"); }), "12004 \" Bogus \" is not a recognized property name."},
      {failureOf([] { getDefaultPropertySetting("nextorder", "grid"); }), next + "\"unspecified.\""},
  };
  // clang-format on
  for (const auto& [got, expected] : errors)
    EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace tg::test
