// The selection priority rules: their lists, comparisons and sorts, and their INI sections.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "index_test_support.hpp"
#include "support/test_environment.hpp"
#include "tessaglyph/priority_rules.hpp"
#include "test_support.hpp"

namespace tg {
namespace {

using test::raises;

// The file priority list joined by "|".
std::string fileNames(const TessaglyphSPR& spr) {
  std::string names;
  for (Integer i = 0; i < spr.numFilePriorityEntries(); ++i)
    names += (i ? "|" : "") + spr.filePriorityEntry(i);
  return names;
}

// Rules whose file list is "", then the given names.
TessaglyphSPR rulesWith(const std::vector<std::string>& names) {
  TessaglyphSPR spr;
  for (const std::string& name : names)
    spr.addFilePriorityName(name);
  return spr;
}

// Writes the section [SPR R] and returns the file's path.
std::string rulesFile(const test::TemporaryFolder& folder, const std::string& section) {
  std::ofstream(folder.folder() + "rules.ini", std::ios::trunc) << "[SPR R]\n" << section;
  return folder.folder() + "rules.ini";
}

// Each edit of the list "|a|c" leaves the list given, or raises the error and leaves it alone.
TEST(PriorityRules, ListEditsCheckTheirIndices) {
  using S = TessaglyphSPR;
  const struct {
    std::function<void(S&)> edit;
    const char* after;
    std::int32_t error;
    const char* description;
    const char* source;
  } rows[] = {
      {[](S& s) { s.addFilePriorityName("b", 1); }, "|b|a|c", 0, "", ""},
      {[](S& s) { s.addFilePriorityName("z", 0); }, "z||a|c", 0, "", ""},
      {[](S& s) { s.addFilePriorityName("z", 4); }, "", 33002, "Invalid insertion index", "add"},
      {[](S& s) { s.addFilePriorityName(" A "); }, "", 33001, "Priority  A  already exists", "add"},
      {[](S& s) { s.removeFilePriorityName(1); }, "|c", 0, "", ""},
      {[](S& s) { s.removeFilePriorityName(0); }, "a|c|", 0, "", ""},
      {[](S& s) { s.removeFilePriorityName(3); }, "", 33003, "Invalid deletion index", "remove"},
      {[](S& s) { s.moveFilePriorityName(2, 0); }, "c||a", 0, "", ""},
      {[](S& s) { s.moveFilePriorityName(0, 3); }, "", 33004, "Invalid move index", "move"},
      {[](S& s) { s.movePriorityCategory(0, 3); }, "", 33004, "Invalid move index", "category"},
      {[](S& s) { s.addScriptPriorityName("", 0); }, "", 33001, "Priority  already exists",
       "script"},
  };
  const std::map<std::string, std::string> sources = {{"add", "addFilePriorityName"},
                                                      {"remove", "removeFilePriorityName"},
                                                      {"move", "moveFilePriorityName"},
                                                      {"category", "movePriorityCategory"},
                                                      {"script", "addScriptPriorityName"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.after);
    TessaglyphSPR spr = rulesWith({"a", "c"});
    if (row.error == 0) {
      row.edit(spr);
    } else {
      EXPECT_TRUE(raises([&] { row.edit(spr); }, row.error, row.description,
                         "TessaglyphSPR::" + sources.at(row.source)));
    }
    EXPECT_EQ(fileNames(spr), row.error == 0 ? row.after : "|a|c");
  }
  TessaglyphSPR single;
  single.removeFilePriorityName(0);
  EXPECT_EQ(fileNames(single), "");
  single.movePriorityCategory(2, 0);
  EXPECT_EQ(std::make_pair(single.categoryOrder(0), single.categoryOrder(1)),
            std::make_pair(TG_PC_FILEPRIORITY, TG_PC_RESOLUTION));
}

TEST(PriorityRules, NamesRankByTheirPlaceInTheList) {
  TessaglyphSPR spr = rulesWith({"high", "low"});
  const struct {
    const char* a;
    const char* b;
    Integer expected;
  } rows[] = {
      {"high", "low", -1}, {"LOW ", "high", 1}, {"x", "y", 0}, {"x", "low", 1}, {" ", "high", -1}};
  for (const auto& row : rows)
    EXPECT_EQ(spr.compareFilePriorities(row.a, row.b), row.expected) << row.a << "|" << row.b;
  // Duplicates (only a file can bring them): comparisons use the last, the index the first.
  test::TemporaryFolder folder;
  TessaglyphSPR dup;
  dup.readFromINIFile(
      rulesFile(folder, "exists=True\nnum fp=3\nnum sp=1\nfp 0=a\nfp 1=b\nfp 2=a\n"), "R");
  EXPECT_EQ(dup.getFilePriorityIndex("a"), 0);
  EXPECT_EQ(dup.compareFilePriorities("a", "b"), 1);
}

TG_FILEMETRICS metric(Double x, Double y) {
  TG_FILEMETRICS m;
  m.xResolution = x;
  m.yResolution = y;
  return m;
}

TEST(PriorityRules, ResolutionsCompareByTheMode) {
  const TG_FILEMETRICS a = metric(10, 40);  // area 400
  const TG_FILEMETRICS b = metric(20, 30);  // area 600
  const struct {
    std::int32_t mode;
    Integer expected;
    Double significant;
  } rows[] = {{TG_RCM_SMALLESTAREA, -1, 400},
              {TG_RCM_GREATESTAREA, 1, 400},
              {TG_RCM_SMALLESTXRES, -1, 10},
              {TG_RCM_GREATESTXRES, 1, 10},
              {TG_RCM_SMALLESTYRES, 1, 40},
              {TG_RCM_GREATESTYRES, -1, 40},
              {9, 0, 40}};
  for (const auto& row : rows) {
    TessaglyphSPR spr;
    spr.setResolutionCompareMode(static_cast<TG_RESCOMPAREMODES>(row.mode));
    EXPECT_EQ(spr.compareResolutions(a, b), row.expected) << row.mode;
    EXPECT_EQ(spr.compareResolutions(a, a), 0);
    EXPECT_EQ(spr.getSignificantResolutionValue(a), row.significant);
  }
  EXPECT_EQ(test::errorNumber([&] { TessaglyphSPR().compareResolutions(metric(1e200, 1e200), a); }),
            6);
}

TG_I_INDEXRECORD record(const std::string& name, Double res, const std::string& priority) {
  TG_I_INDEXRECORD r;
  r.sourceFile = name;
  r.metrics = metric(res, res);
  r.priorityName = priority;
  return r;
}

std::string order(const Array<TG_I_INDEXRECORD>& list) {
  std::string names;
  for (const auto& r : list)
    names += r.sourceFile;
  return names;
}

using PriorityRulesWithIndex = test::IndexTest;

TEST_F(PriorityRulesWithIndex, ThePrioritizedListIsDecidedByTheLastCategory) {
  const Array<TG_I_INDEXRECORD> list(0, {record("a", 90, "low"), record("b", 30, ""),
                                         record("c", 10, "low"), record("d", 30, "high")});
  TessaglyphSPR spr = rulesWith({"high", "low"});
  // The empty name is listed first, so b leads.
  EXPECT_EQ(order(spr.prioritizedList(list, 0, 3)), "bdca");
  EXPECT_EQ(order(spr.prioritizedList(list, 1, 1)), "abcd");
  EXPECT_EQ(order(spr.prioritizedList(list, 1, 2)), "bc");
  spr.movePriorityCategory(0, 2);  // resolution last: it decides
  EXPECT_EQ(order(spr.prioritizedList(list, 0, 3)), "cdba");
}

TEST_F(PriorityRulesWithIndex, ScriptPrioritiesComeFromTheIndexOnce) {
  registerScript("FAST");
  registerScript("SLOW");
  index.setScriptPriorityName(0, "first");
  index.setScriptPriorityName(1, "second");
  TessaglyphSPR spr;
  spr.addScriptPriorityName("first", 0);
  Array<TG_I_INDEXRECORD> list(
      0, {record("slow", 1, ""), record("fast", 1, ""), record("none", 1, "")});
  list[0].scriptFile = " " + home.root() + "scripts/SLOW.tgp";
  list[1].scriptFile = home.root() + "SCRIPTS/fast.TGP";
  // "first" is listed first, the empty name (a record whose script is unknown) second, and
  // "second" not at all; later changes to the index do not reach the cache.
  for (const char* later : {"second", "first"}) {
    index.setScriptPriorityName(1, later);
    spr.sortByScriptPriorities(list);
    EXPECT_EQ(order(list), "fastnoneslow");
  }
}

TEST(PriorityRulesFile, SavingAndReadingBackKeepsTheLists) {
  test::TemporaryFolder folder;
  const std::string ini = folder.folder() + "rules.ini";
  TessaglyphSPR spr = rulesWith({"a", "b"});
  spr.setSprName("Mine");
  spr.setSprDescription("my rules");
  spr.setResolutionCompareMode(TG_RCM_GREATESTYRES);
  spr.movePriorityCategory(2, 0);
  spr.saveToINIFile(ini);
  TessaglyphSPR back;
  back.readFromINIFile(ini, "mine");
  const auto copy = back.clone();
  IniSectionPropertyBag bag(ini, "Bag");
  spr.writeProperties(bag);
  TessaglyphSPR fromBag;
  fromBag.readProperties(bag);
  EXPECT_EQ(bag.read("m_pcOrder0", ""), "1");
  for (const TessaglyphSPR* read : {&back, copy.get(), &fromBag}) {
    EXPECT_EQ(std::make_tuple(fileNames(*read), read->numScriptPriorityEntries(), read->sprName(),
                              read->sprDescription(), read->categoryOrder(0)),
              std::make_tuple("|a|b", 1, "Mine", "my rules", TG_PC_FILEPRIORITY));
    EXPECT_EQ(read->resolutionCompareMode(), TG_RCM_GREATESTYRES);
    using std::chrono::seconds;
    EXPECT_EQ(
        std::chrono::duration_cast<seconds>(read->lastSaveDate() - spr.lastSaveDate()).count(), 0);
  }
}

TEST(PriorityRulesFile, BrokenSectionsRaise33005Or33006) {
  const struct {
    const char* section;
    std::int32_t error;
  } rows[] = {
      {"", 33005},
      {"exists=FALSE\nnum fp=1\nnum sp=1\n", 33005},
      {"exists=True\nnum sp=1\n", 33006},
      {"exists=True\nnum fp=x\nnum sp=1\n", 33006},
      {"exists=True\nnum fp=1\nnum sp=1\nfp 1=a\n", 33006},
      {"exists=True\nnum fp=1\nnum sp=1\npc 3=1\n", 33006},
      {"exists=True\nnum fp=1\nnum sp=1\ncolour=red\n", 33006},
      {"exists=True\nnum fp=1\nnum sp=1\nrcm=Bestest\n", 33006},
  };
  test::TemporaryFolder folder;
  for (const auto& row : rows) {
    const std::string description =
        row.error == 33005 ? "The given SPR, R, could not be located in the specified INI file"
                           : "The INI profile for the SPR R is corrupted";
    EXPECT_TRUE(
        raises([&] { TessaglyphSPR().readFromINIFile(rulesFile(folder, row.section), "R"); },
               row.error, description, "TessaglyphSPR::readFromINIFile"))
        << row.section;
  }
  TessaglyphSPR spr;
  spr.readFromINIFile(
      rulesFile(folder, "exists=True\nnum fp=2\nnum sp=1\nfp 1=a\nrcm=worst AREA\n"), "R");
  EXPECT_EQ(fileNames(spr), "|a");
  EXPECT_EQ(spr.resolutionCompareMode(), TG_RCM_GREATESTAREA);
}

}  // namespace
}  // namespace tg
