#include "support/pattern_match.hpp"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "test_support.hpp"

namespace tg::test {
namespace {

constexpr PatternCase kSensitive = PatternCase::Sensitive, kInsensitive = PatternCase::Insensitive;

// One byte is one character. A star must give back what it took when the rest fails to match.
// In lists "!" negates only at the start; "-" first or last, or after a range, is itself;
// wildcards are plain; "[]" takes no character, and "[!]" (the negation of nothing) any one.
// Ranges follow the byte order, above 127 too.
TEST(PatternMatchTest, WildcardsListsRangesAndNegation) {
  // clang-format off
  const struct {
    const char *text, *pattern;
    bool match;
    PatternCase mode = kSensitive;
  } rows[] = {
      {"", "", true}, {"a", "", false}, {"", "*", true}, {"", "?", false}, {"abc", "ABC", false},
      {"ab", "abc", false}, {"abc", "a?c", true}, {"abc", "*d*", false}, {"abc", "a**c", true},
      {"a1b", "a#b", true}, {"a:b", "a#b", false}, {"abcbc", "*bc", true}, {"abcb", "*bc", false},
      {"mississippi", "m*iss*iss*iss*ppi", false}, {"d", "[abc]", false}, {"m", "[a-z]", true},
      {"M", "[a-z]", false}, {"x", "[a-cx-z]", true}, {"d", "[!a-c]", true}, {"b", "[!a-c]", false},
      {"!", "[a!]", true}, {"-", "[-a]", true}, {"-", "[a-]", true}, {"-", "[a-c-e]", true},
      {"*", "[*]", true}, {"a", "[a-a]", true}, {"ab", "a[]b", true}, {"x", "[!]", true},
      {"\xE9", "[\xE0-\xEF]", true}, {"M", "[a-z]", true, kInsensitive},
      {"m", "[!A-Z]", false, kInsensitive}, {"\xC9T\xC9", "\xE9t\xE9", true, kInsensitive}};
  // clang-format on
  for (const auto& row : rows) {
    EXPECT_EQ(likeMatch(row.text, row.pattern, row.mode), row.match)
        << '"' << row.text << "\" Like \"" << row.pattern << '"';
  }
}

// Even where the text fails before the bad list, and in a filter after one that matched.
TEST(PatternMatchTest, MalformedPatternsRaiseInvalidPattern) {
  for (const char* pattern : {"[", "[!", "[z-a]", "*[*"}) {
    EXPECT_TRUE(raises([&] { likeMatch("abc", pattern); }, PLATFORM_E_INVALIDPATTERNSTRING,
                       "Invalid pattern string"))
        << pattern;
  }
  EXPECT_THROW(likeMatch("x", "a[z-a]"), Error);
  EXPECT_THROW(filterMatch("a.hgt", "*.hgt;[z-a]"), Error);
}

// A naive recursive matcher explores on the order of C(70, 30) ways of splitting the text among
// the stars before failing.
TEST(PatternMatchTest, StarHeavyPatternsStayLinear) {
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

// Without regard to case; ".*" also takes a name without extension; no filter at all lets every
// name through.
TEST(PatternMatchTest, FileFilters) {
  // clang-format off
  const std::tuple<const char*, const char*, bool> rows[] = {
      {"N45W122.HGT", "*.hgt", true}, {"README", "*.*", true}, {"n45w122.dem", "*.hgt", false},
      {"dems", "dem.*", false}, {"a.tif", " *.hgt ; *.TIF ", true}, {"anything", "", true},
      {"a.bil", "*.hgt;*.tif", false}, {"anything", " ; ", true}, {"F1.DAT", "f[0-9].dat", true}};
  // clang-format on
  for (const auto& [name, filter, expected] : rows)
    EXPECT_EQ(filterMatch(name, filter), expected) << name << " / " << filter;
}

}  // namespace
}  // namespace tg::test
