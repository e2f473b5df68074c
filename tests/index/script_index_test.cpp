// The scripts of the index: registering them, their filters, and the candidates for a file.
#include <gtest/gtest.h>

#include "index_test_support.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

using test::IndexTest;

TEST_F(IndexTest, AnEmptyFilterComesFromTheProgramOrMatchesAll) {
  const std::string plain = writeScript(test::ScriptSpec(), "PLAIN");
  const std::string filtered = writeScript(
      test::ScriptSpec().withProperties(".property filetypefilter \"*.HGT\"\n"), "FILTERED");
  index.indexScriptFileEx(plain, "PLAIN", "", "  ", TG_I_UVS_NO);
  index.indexScriptFileEx(filtered, "FILTERED");
  EXPECT_EQ(index.getScriptIndexRecord(0).sourceFileFilter, "*.*");
  EXPECT_TRUE(index.getScriptIndexRecord(0).useValid);
  EXPECT_EQ(index.getScriptIndexRecord(1).sourceFileFilter, "*.HGT");
  // A program that cannot be read says nothing of what it reads: the reader reports it, and the
  // script is registered with the catch-all filter.
  index.indexScriptFileEx(home.root() + "missing.tgp", "M");
  ASSERT_EQ(index.numScriptIndexRecords(), 3);
  EXPECT_EQ(index.getScriptIndexRecord(2).sourceFileFilter, "*.*");
}

TEST_F(IndexTest, FindScriptFileOffersMatchingScriptsInTableOrder) {
  registerScript("DAT", "*.DAT");
  registerScript("ANY", "");
  registerScript("NUMBERED", "GRID#.*");
  registerScript("ACCEPTS", "*.DAT", test::latLonBounds(), "-1", 1);
  registerScript("REFUSES", "*.DAT", test::latLonBounds(), "0", 1);
  index.indexScriptFile(home.root() + "scripts/none.tgp", "BROKEN", "*.DAT", 1);
  const struct {
    const char* file;
    std::vector<std::string> names;
  } rows[] = {
      {"grid.dat", {"DAT", "ANY", "ACCEPTS"}},
      {"grid7.txt", {"ANY", "NUMBERED"}},
      {"other.txt", {"ANY"}},
  };
  for (const auto& row : rows) {
    const Array<TG_I_SCRIPTCANDIDATE> found = index.findScriptFile(dataFile(row.file));
    std::vector<std::string> names;
    for (const TG_I_SCRIPTCANDIDATE& c : found) {
      names.push_back(c.scriptName);
      EXPECT_EQ(c.strongMatch, c.scriptName == "ACCEPTS");
    }
    EXPECT_EQ(names, row.names) << row.file;
    EXPECT_EQ(found.lbound(), 0);
  }
}

// Candidates "S0", "S1", ... of the given kinds of match ('+' strong) and priorities.
Array<TG_I_SCRIPTCANDIDATE> candidates(const std::vector<std::string>& items) {
  std::vector<TG_I_SCRIPTCANDIDATE> list;
  for (const std::string& item : items)
    list.push_back({item[0] == '+', "S" + std::to_string(list.size()), "", item.substr(1)});
  return Array<TG_I_SCRIPTCANDIDATE>(0, std::move(list));
}

// The sort by match orders only the kind of match; the sort by priority orders the numbers
// (a text counts as 0), in the range given (-1: the whole list).
TEST(ScriptCandidateSorts, SortTheGivenRange) {
  const auto byMatch = &TessaglyphIndex::sortScriptCandidatesByMatch;
  const auto byPriority = &TessaglyphIndex::sortScriptCandidatesByPriority;
  const struct {
    void (*sort)(Array<TG_I_SCRIPTCANDIDATE>&, Long, Long);
    std::vector<std::string> items;
    Long start, end;
    const char* expected;
  } rows[] = {
      {byMatch, {"-1", "+2", "-3", "+4"}, -1, -1, "++--"},
      {byPriority, {"-10", "-2", "-x", "--1"}, -1, -1, "-1 x 2 10 "},
      {byPriority, {"-9", "-5", "-1", "-0"}, 1, 2, "9 1 5 0 "},
      {byPriority, {"-3"}, -1, -1, "3 "},
  };
  for (const auto& row : rows) {
    Array<TG_I_SCRIPTCANDIDATE> list = candidates(row.items);
    row.sort(list, row.start, row.end);
    std::string got;
    for (const auto& c : list)
      got += row.sort == byMatch ? std::string(c.strongMatch ? "+" : "-") : c.scriptPriority + " ";
    EXPECT_EQ(got, row.expected);
  }
  Array<TG_I_SCRIPTCANDIDATE> list = candidates({"-1"});
  EXPECT_EQ(test::errorNumber([&] { TessaglyphIndex::sortScriptCandidatesByMatch(list, 0, 3); }),
            9);
}

}  // namespace
}  // namespace tg
