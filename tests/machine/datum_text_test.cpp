// Text cells: modes, the default delimiter list from the settings file, the cursor and the text
// operations, and text arithmetic.
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

using test::errorOf;

Array<std::string> list(std::initializer_list<std::string> items) {
  return Array<std::string>(1, items);
}

// ---- Modes ---------------------------------------------------------------------------------

TEST(DatumTextModeTest, NewTextIsEmptyAndVariableLength) {
  const DatumRef text = makeAscii();
  EXPECT_EQ(text->dataType(), TG_M_DT_ASCII);
  EXPECT_TRUE(text->isVariableLength());
  EXPECT_FALSE(text->isFixedLength());
  EXPECT_FALSE(text->isDelimited());
  EXPECT_EQ(text->fixedLength(), -1);
  EXPECT_EQ(text->getSize(), 0);
  EXPECT_EQ(text->getString(), "");
  EXPECT_FALSE(text->preDelete());
}

TEST(DatumTextModeTest, FixedLengthCutsAndPadsOnEveryStore) {
  const DatumRef text = makeAscii("abcdefg");
  text->setFixedLength(5);
  EXPECT_TRUE(text->isFixedLength());
  EXPECT_EQ(text->getString(), "abcde");
  text->setString("ab");
  EXPECT_EQ(text->getString(), "ab   ");
  EXPECT_EQ(text->getSize(), 5);
  text->reset();
  EXPECT_EQ(text->getString(), "     ");
  text->setSizeNumeric(2);
  EXPECT_EQ(text->getString(), "  ");
  text->setFromString("xyz");
  EXPECT_EQ(text->getString(), "xy");

  text->setVariableLength();
  EXPECT_TRUE(text->isVariableLength());
  EXPECT_EQ(text->getString(), "xy");  // leaving the mode keeps the text
  text->setString("longer text");
  EXPECT_EQ(text->getString(), "longer text");
  text->reset();
  EXPECT_EQ(text->getString(), "");

  // No length at all is variable length.
  text->setFixedLength(0);
  EXPECT_TRUE(text->isVariableLength());
  EXPECT_EQ(text->fixedLength(), -1);
}

TEST(DatumTextModeTest, SetSizeTakesALengthOrADelimiterList) {
  const DatumRef text = makeAscii("abcdef");
  text->setSize(Array<std::string>(0, {"", "4", ""}));
  EXPECT_TRUE(text->isFixedLength());
  EXPECT_EQ(text->fixedLength(), 4);
  EXPECT_EQ(text->getString(), "abcd");

  text->setSize(list({",", "<END>", ";"}));
  EXPECT_TRUE(text->isDelimited());
  EXPECT_FALSE(text->isFixedLength());
  EXPECT_EQ(text->getDelimiterList(), list({",", "<END>", ";"}));
  EXPECT_EQ(text->getString(), "abcd");

  // Three elements that are not of the numeric form are a delimiter list too.
  text->setSize(list({"", "x", ","}));
  EXPECT_TRUE(text->isDelimited());
  EXPECT_EQ(errorOf([&] { text->setSize(list({"", "four", ""})); }), 13);

  text->setFixedLength(3);
  EXPECT_FALSE(text->isDelimited());
  EXPECT_TRUE(test::raises([&] { text->getDelimiterList(); }, 20003,
                           "Attempted to get delimiter list from non-delimited string."));
}

TEST(DatumTextModeTest, TextOperationsOnANumberAreATypeMismatch) {
  const DatumRef number = makeInteger4(5);
  EXPECT_EQ(errorOf([&] { number->setFixedLength(3); }), 13);
  EXPECT_EQ(errorOf([&] { number->getDelimiterList(); }), 13);
  EXPECT_EQ(errorOf([&] { number->char_(); }), 13);
  EXPECT_EQ(errorOf([&] { number->chars(2); }), 13);
  EXPECT_EQ(errorOf([&] { number->search("5"); }), 13);
  EXPECT_EQ(errorOf([&] { number->trim(); }), 13);
  EXPECT_EQ(errorOf([&] { number->textView(); }), 13);
  EXPECT_FALSE(number->isDelimited());
  EXPECT_FALSE(number->isFixedLength());
  EXPECT_FALSE(number->isVariableLength());
  // Storing a text into a number converts it.
  number->setString("12");
  EXPECT_EQ(number->getLong(), 12);
}

// ---- Default delimiters --------------------------------------------------------------------

class DatumDefaultDelimiterTest : public ::testing::Test {
 protected:
  test::TemporaryHome home;
  void writeSettings(const std::string& content) {
    std::filesystem::create_directories(home.settingsFolder());
    std::ofstream(home.settingsFolder() + "HFTGDLL.INI", std::ios::binary) << content;
  }
};

TEST_F(DatumDefaultDelimiterTest, WithoutSettingsOneEscapedLineEnd) {
  const DatumRef text = makeAscii();
  text->setFixedLength(4);
  text->setDelimited();
  EXPECT_TRUE(text->isDelimited());
  EXPECT_FALSE(text->isFixedLength());
  const Array<std::string> delimiters = text->getDelimiterList();
  EXPECT_EQ(delimiters.lbound(), 1);
  ASSERT_EQ(delimiters.size(), 1u);
  EXPECT_EQ(delimiters[1], std::string("\\n"));  // backslash and n, as stored
}

TEST_F(DatumDefaultDelimiterTest, ListFromTheSettingsFileReadOnEachCall) {
  writeSettings(
      "[Defaults]\r\nDelimiter List Size=3\r\nDelimiter 1=,\r\ndelimiter 3=\"<END>\"\r\n");
  EXPECT_EQ(defaultDelimiterList(), list({",", "\\n", "<END>"}));

  writeSettings("[defaults]\nDelimiter List Size=0\nDelimiter 1=;\n");
  EXPECT_EQ(defaultDelimiterList(), list({";"}));  // at least one

  writeSettings("[Defaults]\nDelimiter List Size=many\n");
  EXPECT_EQ(defaultDelimiterList(), list({"\\n"}));

  writeSettings("[Defaults]\nDelimiter List Size=2\nDelimiter 2=|\n");
  const DatumRef text = makeAscii();
  text->setDelimited();
  EXPECT_EQ(text->getDelimiterList(), list({"\\n", "|"}));

  writeSettings("[Defaults]\nDelimiter List Size=40000\n");
  EXPECT_EQ(errorOf([] { defaultDelimiterList(); }), 6);
}

// ---- Cursor and text operations ------------------------------------------------------------

TEST(DatumTextCursorTest, SetOffsetRejectsNegativeAndClampsBeyondTheEnd) {
  const DatumRef text = makeAscii("abcdef");
  Long offset = -1;
  EXPECT_TRUE(test::raises([&] { text->setOffset(offset); }, 20004, "-1 is not a valid offset."));

  offset = 10;
  text->setOffset(offset);
  EXPECT_EQ(offset, 6);  // the argument reports the clamped value
  EXPECT_EQ(text->getOffset(), 6);

  offset = 5;
  text->setOffset(offset);
  text->setString("ab");
  EXPECT_EQ(text->getOffset(), 2);  // clamped to the shorter text
  text->setString("abcdef");
  EXPECT_EQ(text->getOffset(), 5);  // the cursor itself stayed
}

TEST(DatumTextCursorTest, SeofMovesACursorBeyondTheEndBackToIt) {
  const DatumRef text = makeAscii("abcdef");
  EXPECT_FALSE(text->seof());
  Long offset = 5;
  text->setOffset(offset);
  EXPECT_FALSE(text->seof());
  text->setString("ab");
  EXPECT_TRUE(text->seof());
  text->setString("abcdef");
  EXPECT_EQ(text->getOffset(), 2);
  EXPECT_TRUE(makeAscii("")->seof());
}

TEST(DatumTextCursorTest, CharCharsAndSearchReadFromTheCursor) {
  const DatumRef text = makeAscii("abcabc");
  Long offset = 1;
  text->setOffset(offset);
  EXPECT_EQ(text->char_(), "b");
  EXPECT_EQ(text->char_(), "b");  // the cursor does not move
  EXPECT_EQ(text->chars(2), "bc");
  EXPECT_EQ(text->chars(100), "bcabc");
  EXPECT_EQ(text->chars(0), "");
  EXPECT_EQ(errorOf([&] { text->chars(-1); }), 5);
  EXPECT_EQ(text->search("a"), 3);   // a position in the whole text
  EXPECT_EQ(text->search("bc"), 1);  // at the cursor counts
  EXPECT_EQ(text->search("A"), -1);  // case matters
  EXPECT_EQ(text->search("abcd"), -1);
  EXPECT_EQ(text->getOffset(), 1);

  offset = 6;
  text->setOffset(offset);
  EXPECT_EQ(text->char_(), "");
  EXPECT_EQ(text->chars(3), "");
  EXPECT_EQ(text->search("c"), -1);
  EXPECT_EQ(text->search(""), -1);

  offset = 5;
  text->setOffset(offset);
  EXPECT_EQ(text->chars(3), "c");  // fewer at the end
  EXPECT_EQ(text->search(""), 5);
}

TEST(DatumTextOperationTest, TrimAndCaseChangeTheTextInPlace) {
  const struct {
    const char* text;
    const char* left;
    const char* right;
    const char* both;
  } cases[] = {
      {"  a b  ", "a b  ", "  a b", "a b"},
      {"\ta ", "\ta ", "\ta", "\ta"},  // only spaces are blanks
      {"   ", "", "", ""},
      {"", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const DatumRef left = makeAscii(c.text);
    left->ltrim();
    EXPECT_EQ(left->getString(), c.left);
    const DatumRef right = makeAscii(c.text);
    right->rtrim();
    EXPECT_EQ(right->getString(), c.right);
    const DatumRef both = makeAscii(c.text);
    both->trim();
    EXPECT_EQ(both->getString(), c.both);
  }

  const DatumRef text = makeAscii(
      "Gr\xfc\xdf"
      "e 1a\xe9");
  text->setToUpper();
  EXPECT_EQ(text->getString(),
            "GR\xdc\xdf"
            "E 1A\xc9");
  text->setToLower();
  EXPECT_EQ(text->getString(),
            "gr\xfc\xdf"
            "e 1a\xe9");
}

TEST(DatumTextOperationTest, TrimmedFixedLengthTextKeepsItsModeUntilTheNextStore) {
  const DatumRef text = makeAscii();
  text->setFixedLength(6);
  text->setString("ab");
  text->trim();
  EXPECT_EQ(text->getString(), "ab");
  EXPECT_EQ(text->getSize(), 2);
  EXPECT_TRUE(text->isFixedLength());
  text->setString("c");
  EXPECT_EQ(text->getString(), "c     ");
}

// ---- Text arithmetic -----------------------------------------------------------------------

TEST(DatumTextArithmeticTest, JoinRemoveAndRepeat) {
  const struct {
    const char* left;
    char op;
    DatumRef right;
    const char* expected;
    int error;
  } cases[] = {
      {"ab", '+', makeAscii("cd"), "abcd", 0},
      {"ab", '+', makeDouble(1.5), "ab1.5", 0},
      {"", '+', makeInteger2(-3), "-3", 0},
      {"banana", '-', makeAscii("an"), "ba", 0},
      {"aabb", '-', makeAscii("ab"), "ab", 0},  // one pass, left to right
      {"aaa", '-', makeAscii("aa"), "a", 0},
      {"Abab", '-', makeAscii("ab"), "Ab", 0},  // case matters
      {"abc", '-', makeAscii(""), "abc", 0},
      {"x1x10", '-', makeInteger4(1), "xx0", 0},
      {"ab", '*', makeInteger4(3), "ababab", 0},
      {"ab", '*', makeAscii("2"), "abab", 0},
      {"ab", '*', makeDouble(1.5), "abab", 0},  // 1.5 as a Long is 2
      {"ab", '*', makeInteger4(0), "", 0},
      {"ab", '*', makeInteger4(-2), "", 0},
      {"", '*', makeInteger4(5), "", 0},
      {"ab", '*', makeAscii("x"), "", 13},
      {"ab", '*', makeInteger4(1 << 30), "", 6},  // longer than a Long can count
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.left) + " " + c.op + " " + c.right->getString());
    const DatumRef left = makeAscii(c.left);
    auto run = [&] {
      if (c.op == '+') return left->add(*c.right);
      if (c.op == '-') return left->subtract(*c.right);
      return left->multiply(*c.right);
    };
    if (c.error) {
      EXPECT_EQ(errorOf(run), c.error);
      continue;
    }
    const DatumRef result = run();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->getString(), c.expected);
    EXPECT_EQ(left->getString(), c.left);
  }
}

TEST(DatumTextArithmeticTest, ResultIsAFreshVariableLengthText) {
  const DatumRef left = makeAscii();
  left->setFixedLength(5);
  left->setString("ab");
  left->setPreDelete(true);
  Long offset = 3;
  left->setOffset(offset);

  const DatumRef result = left->add(*makeAscii("x"));
  EXPECT_EQ(result->getString(), "ab   x");
  EXPECT_TRUE(result->isVariableLength());
  EXPECT_FALSE(result->preDelete());
  EXPECT_EQ(result->getOffset(), 0);

  // In place, the cell ends in the same state.
  left->addInPlace(*makeAscii("x"));
  EXPECT_EQ(left->getString(), "ab   x");
  EXPECT_TRUE(left->isVariableLength());
  EXPECT_FALSE(left->preDelete());
  EXPECT_EQ(left->getOffset(), 0);
}

TEST(DatumTextArithmeticTest, DivideGivesNoCellAndModulusZero) {
  const DatumRef text = makeAscii("12");
  EXPECT_FALSE(text->divide(*makeInteger4(3)));
  EXPECT_FALSE(text->divideInPlace(*makeInteger4(3)));
  EXPECT_EQ(text->getString(), "12");
  EXPECT_EQ(text->modulus(*makeInteger4(0)), 0);
}

}  // namespace
}  // namespace tg
