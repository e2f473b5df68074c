#include "support/pattern_match.hpp"

#include <gtest/gtest.h>

#include <string>

#include "tessaglyph/error.hpp"

namespace tg {
namespace {

struct LikeCase {
  const char* text;
  const char* pattern;
  bool expected;
};

void expectAll(const LikeCase* begin, const LikeCase* end, PatternCase caseMode) {
  for (const LikeCase* c = begin; c != end; ++c) {
    SCOPED_TRACE(std::string("\"") + c->text + "\" Like \"" + c->pattern + "\"");
    EXPECT_EQ(likeMatch(c->text, c->pattern, caseMode), c->expected);
  }
}

TEST(PatternMatchTest, WildcardsAndLiterals) {
  const LikeCase cases[] = {
      {"", "", true},
      {"a", "", false},
      {"", "*", true},
      {"", "?", false},
      {"abc", "abc", true},
      {"abc", "ABC", false},  // case counts
      {"abc", "ab", false},
      {"ab", "abc", false},
      {"abc", "a?c", true},
      {"ac", "a?c", false},
      {"abc", "a*", true},
      {"abc", "*c", true},
      {"abc", "*b*", true},
      {"abc", "*d*", false},
      {"abc", "a*b*c", true},
      {"abc", "a**c", true},
      {"aXbXc", "a*b*c", true},
      {"abcbc", "*bc", true},  // the star must give back its second "bc"
      {"abcb", "*bc", false},
      {"mississippi", "m*iss*ppi", true},
      {"mississippi", "m*iss*iss*ppi", true},
      {"mississippi", "m*iss*iss*iss*ppi", false},
      {"a1b", "a#b", true},
      {"aXb", "a#b", false},
      {"12", "##", true},
      {"1", "##", false},
      {"a]b", "a]b", true},
      {"a!b", "a!b", true},
      {"a-b", "a-b", true},
      {"\xE9t\xE9", "?t?", true},  // one byte is one character
  };
  expectAll(std::begin(cases), std::end(cases), PatternCase::Sensitive);
}

TEST(PatternMatchTest, ListsRangesAndNegation) {
  const LikeCase cases[] = {
      {"b", "[abc]", true},
      {"d", "[abc]", false},
      {"m", "[a-z]", true},
      {"M", "[a-z]", false},
      {"5", "[0-9]", true},
      {"x", "[a-cx-z]", true},
      {"d", "[a-cx-z]", false},
      {"d", "[!a-c]", true},
      {"b", "[!a-c]", false},
      {"!", "[a!]", true},  // "!" negates only at the start
      {"x", "[a!]", false},
      {"!", "[!!]", false},
      {"-", "[-a]", true},  // "-" first or last is itself
      {"-", "[a-]", true},
      {"b", "[a-]", false},
      {"-", "[!-a]", false},
      {"-", "[a-c-e]", true},  // after a range a "-" stands for itself
      {"e", "[a-c-e]", true},
      {"d", "[a-c-e]", false},
      {"*", "[*]", true},  // wildcards inside a list are plain
      {"x", "[*]", false},
      {"?", "[?]", true},
      {"#", "[#]", true},
      {"[", "[[]", true},
      {"a", "[a-a]", true},
      {"ab", "a[]b", true},  // "[]" takes no character
      {"a", "[]a[]", true},
      {"axb", "a[]b", false},
      {"x", "[!]", true},  // the negation of nothing is any character
      {"", "[!]", false},
      {"F10", "[A-Z]##", true},
      {"f10", "[A-Z]##", false},
      {"\xE9", "[\xE0-\xEF]", true},  // ranges follow the byte order, above 127 too
      {"z", "[\xE0-\xEF]", false},
  };
  expectAll(std::begin(cases), std::end(cases), PatternCase::Sensitive);
}

TEST(PatternMatchTest, CaseInsensitiveMode) {
  const LikeCase cases[] = {
      {"ABC", "abc", true},
      {"abc", "A?C", true},
      {"M", "[a-z]", true},
      {"m", "[!A-Z]", false},
      {"\xC9T\xC9", "\xE9t\xE9", true},
      {"abc", "abd", false},
  };
  expectAll(std::begin(cases), std::end(cases), PatternCase::Insensitive);
}

TEST(PatternMatchTest, MalformedPatternsRaiseInvalidPattern) {
  const char* patterns[] = {"[", "a[bc", "[a-", "[!", "[z-a]", "ab[9-0]", "[a-cz-x]", "*[*"};
  for (const char* pattern : patterns) {
    SCOPED_TRACE(pattern);
    try {
      likeMatch("abc", pattern);
      ADD_FAILURE() << "no error raised";
    } catch (const Error& error) {
      EXPECT_EQ(error.number(), PLATFORM_E_INVALIDPATTERNSTRING);
      EXPECT_EQ(error.description(), "Invalid pattern string");
    }
  }
  // Even where the text already fails before the bad list.
  EXPECT_THROW(likeMatch("x", "a[z-a]"), Error);
  EXPECT_THROW(likeMatch("", "[z-a]"), Error);
}

TEST(PatternMatchTest, StarHeavyPatternsStayLinear) {
  // A naive recursive matcher explores on the order of C(70, 30) ways of splitting this text
  // among the stars before failing.
  std::string pattern;
  for (int i = 0; i < 30; ++i)
    pattern += "*a";
  pattern += "b";
  const std::string text(100, 'a');
  EXPECT_FALSE(likeMatch(text, pattern));
  EXPECT_TRUE(likeMatch(text + "b", pattern));
  EXPECT_FALSE(likeMatch(std::string(29, 'a') + "b", pattern));

  const std::string manyStars(5000, '*');
  EXPECT_TRUE(likeMatch(std::string(5000, 'x'), manyStars + "x" + manyStars));
  EXPECT_FALSE(likeMatch(std::string(5000, 'x'), manyStars + "y" + manyStars));
}

struct FilterCase {
  const char* name;
  const char* filter;
  bool expected;
};

TEST(PatternMatchTest, FileFilters) {
  const FilterCase cases[] = {
      {"dem.hgt", "*.*", true},
      {"README", "*.*", true},  // with or without a dot
      {"a.b.c", "*.*", true},
      {"N45W122.HGT", "*.hgt", true},
      {"n45w122.hgt", "*.HGT", true},
      {"n45w122.dem", "*.hgt", false},
      {"n45w122.hgt", "n##w###.hgt", true},
      {"nxxw122.hgt", "n##w###.hgt", false},
      {"DEM", "dem.*", true},  // ".*" also takes a name without extension
      {"dem.tif", "dem.*", true},
      {"dems", "dem.*", false},
      {"a.tif", "*.hgt;*.tif", true},
      {"a.tif", " *.hgt ; *.TIF ", true},
      {"a.bil", "*.hgt;*.tif", false},
      {"a.bil", "*.hgt;;*.bil;", true},
      {"anything", "", true},  // no filter at all lets every name through
      {"anything", " ; ", true},
      {"f1.dat", "f[0-9].dat", true},
      {"F1.DAT", "f[0-9].dat", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " / " + c.filter);
    EXPECT_EQ(filterMatch(c.name, c.filter), c.expected);
  }
  // A malformed filter is reported even when an earlier one matched.
  EXPECT_THROW(filterMatch("a.hgt", "*.hgt;[z-a]"), Error);
}

}  // namespace
}  // namespace tg
