#include "support/text.hpp"

#include <gtest/gtest.h>

namespace tg {
namespace {

TEST(TextTest, TrimsOnlyBlanksUnlessAskedForAllSpace) {
  EXPECT_EQ(trimBlanks("  a b  "), "a b");
  EXPECT_EQ(trimBlanks("\tab\t"), "\tab\t");
  EXPECT_EQ(trimSpace("\t ab \r\n"), "ab");
  EXPECT_EQ(trimLeftBlanks("  x "), "x ");
  EXPECT_EQ(trimRightBlanks("  x "), "  x");
}

TEST(TextTest, FoldsLatin1LettersButNotTheSigns) {
  EXPECT_EQ(toUpper("abz\xE9\xFE"), "ABZ\xC9\xDE");
  EXPECT_EQ(toLower("ABZ\xC9\xDE"), "abz\xE9\xFE");
  // The multiplication and division signs and y-diaeresis have no counterpart in the set.
  EXPECT_EQ(toUpper("\xF7\xFF"), "\xF7\xFF");
  EXPECT_EQ(toLower("\xD7\xDF"), "\xD7\xDF");
}

TEST(TextTest, NamesCompareTrimmedWithoutCase) {
  EXPECT_TRUE(sameName("  Init ", "INIT"));
  EXPECT_FALSE(equalsIgnoreCase(" a", "a"));
  EXPECT_TRUE(equalsIgnoreCase("\xE9t\xE9", "\xC9T\xC9"));
}

}  // namespace
}  // namespace tg
