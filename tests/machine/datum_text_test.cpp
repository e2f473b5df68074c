// Text cells: modes, the default delimiter list, the cursor and text arithmetic.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "machine/datum.hpp"
#include "machine/datum_test_support.hpp"
#include "support/test_environment.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

Array<std::string> list(std::initializer_list<std::string> items) {
  return Array<std::string>(1, items);
}

// The mode a text is in, with its length: "variable", "fixed 5", "delimited".
std::string modeOf(const DatumRef& text) {
  if (text->isDelimited()) return "delimited";
  if (text->isFixedLength()) return "fixed " + std::to_string(text->fixedLength());
  return text->isVariableLength() ? "variable" : "none";
}

class CellTexts : public ::testing::Test {
 protected:
  test::TemporaryHome home;
  void writeSettings(const std::string& content) {
    std::filesystem::create_directories(home.settingsFolder());
    std::ofstream(home.settingsFolder() + "HFTGDLL.INI", std::ios::binary) << content;
  }
};

TEST_F(CellTexts, ModesCutPadAndKeepTheText) {
  const DatumRef text = makeAscii("abcdefg");
  EXPECT_GIVES((text->setFixedLength(5), modeOf(text) + " " + text->getString()), "fixed 5 abcde");
  EXPECT_GIVES((text->setString("ab"), text), "T:ab   ");
  EXPECT_GIVES((text->setFixedLength(0), modeOf(text)), "variable");
  // setSize takes a length in the form {"", n, ""} or else a list of delimiters.
  EXPECT_GIVES((text->setSize(Array<std::string>(0, {"", "4", ""})), modeOf(text)), "fixed 4");
  EXPECT_GIVES((text->setSize(list({"", "x", ","})), modeOf(text)), "delimited");
  EXPECT_GIVES(text->setSize(list({"", "four", ""})), "error 13");
  EXPECT_GIVES(makeInteger4(5)->chars(2), "error 13");
  EXPECT_TRUE(test::raises([&] { makeAscii()->getDelimiterList(); }, 20003,
                           "Attempted to get delimiter list from non-delimited string."));
  // A trimmed fixed-length text keeps its mode until the next store.
  EXPECT_GIVES((text->setFixedLength(3), text->setString("a"), text->trim(), text), "T:a");
  EXPECT_GIVES((text->setString("bc"), text), "T:bc ");
}

TEST_F(CellTexts, DefaultDelimitersFromTheSettingsFileReadOnEachCall) {
  const DatumRef text = makeAscii();
  text->setDelimited();
  EXPECT_EQ(text->getDelimiterList(), list({"\\n"}));  // backslash and n, as stored
  writeSettings(
      "[Defaults]\r\nDelimiter List Size=3\r\nDelimiter 1=,\r\ndelimiter 3=\"<END>\"\r\n");
  EXPECT_EQ(defaultDelimiterList(), list({",", "\\n", "<END>"}));
  writeSettings("[defaults]\nDelimiter List Size=0\nDelimiter 1=;\n");
  EXPECT_EQ(defaultDelimiterList(), list({";"}));  // at least one
  writeSettings("[Defaults]\nDelimiter List Size=40000\n");
  EXPECT_GIVES(defaultDelimiterList().size(), "error 6");
}

// The cursor: set (clamped to the text), and read by char, chars and search, which leave it.
TEST_F(CellTexts, Cursor) {
  const DatumRef text = makeAscii("abcabc");
  Long offset = -1;
  EXPECT_TRUE(test::raises([&] { text->setOffset(offset); }, 20004, "-1 is not a valid offset."));
  const auto at = [&](Long position) {
    offset = position;
    text->setOffset(offset);
    return offset;
  };
  EXPECT_GIVES(at(10), "6");  // the argument reports the clamped value
  EXPECT_GIVES(text->seof(), "true");
  EXPECT_GIVES(at(1), "1");
  EXPECT_GIVES(text->chars(2), "bc");
  EXPECT_GIVES(text->chars(-1), "error 5");
  EXPECT_GIVES(text->search("a"), "3");   // a position in the whole text
  EXPECT_GIVES(text->search("bc"), "1");  // at the cursor counts
  EXPECT_GIVES(text->search("abcd"), "-1");
  EXPECT_GIVES((at(5), text->chars(3)), "c");  // fewer at the end
  EXPECT_GIVES(text->seof(), "false");
  // A shorter text shows the cursor at its end; seof moves it back there for good.
  EXPECT_GIVES((text->setString("ab"), text->seof()), "true");
  EXPECT_GIVES((text->setString("abcdef"), text->getOffset()), "2");
  EXPECT_GIVES((at(6), text->char_()), "");
}

// + joins, - removes each occurrence left to right, * repeats; the left text stays as it was.
TEST_F(CellTexts, Arithmetic) {
  const struct {
    const char* left;
    char op;
    DatumRef right;
    const char* expected;
  } rows[] = {
      {"ab", '+', makeDouble(1.5), "T:ab1.5"}, {"banana", '-', makeAscii("an"), "T:ba"},
      {"aabb", '-', makeAscii("ab"), "T:ab"},  {"aaa", '-', makeAscii("aa"), "T:a"},
      {"ab", '*', makeDouble(1.5), "T:abab"},  {"ab", '*', makeInteger4(0), "T:"},
      {"ab", '*', makeAscii("x"), "error 13"}, {"ab", '*', makeInteger4(1 << 30), "error 6"},
  };
  for (const auto& row : rows) {
    const DatumRef left = makeAscii(row.left);
    const TessaglyphDatum& r = *row.right;
    EXPECT_GIVES(row.op == '+'   ? left->add(r)
                 : row.op == '-' ? left->subtract(r)
                                 : left->multiply(r),
                 row.expected);
    EXPECT_EQ(left->getString(), row.left);
  }
  const DatumRef left = makeAscii();
  left->setFixedLength(5);
  left->setString("ab");
  left->setPreDelete(true);
  Long offset = 3;
  left->setOffset(offset);
  EXPECT_GIVES((left->addInPlace(*makeAscii("x")),
                modeOf(left) + (left->preDelete() ? " pre " : " ") + test::show(left->getOffset()) +
                    " " + left->getString()),
               "variable 0 ab   x");
  EXPECT_GIVES(left->divideInPlace(*makeInteger4(3)), "false");  // a text has no quotient
}

}  // namespace
}  // namespace tg
